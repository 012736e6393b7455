#include "app/window_placement.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "app/preferences.h"

namespace v7400 {

namespace {

constexpr const char* kNames[] = {"Left", "Top", "Width", "Height"};

WindowRect WithFrame(const WindowRect& r, const FrameMargins& f) {
  return {r.Left - f.Left, r.Top - f.Top, r.Width + f.Left + f.Right, r.Height + f.Top + f.Bottom};
}

bool Inside(const WindowRect& inner, const WindowRect& outer) {
  return inner.Left >= outer.Left && inner.Top >= outer.Top &&
         inner.Left + inner.Width <= outer.Left + outer.Width &&
         inner.Top + inner.Height <= outer.Top + outer.Height;
}

}  // namespace

std::optional<WindowRect> LoadWindowRect(const PreferenceStore& store, const std::string& key) {
  if (!store.KeyExists(key)) return std::nullopt;
  int values[4];
  try {
    for (int i = 0; i < 4; ++i) values[i] = ParseStoredInteger(store.ReadString(key, kNames[i]));
  } catch (const std::runtime_error&) {
    return std::nullopt;
  }
  const WindowRect rect{values[0], values[1], values[2], values[3]};
  if (rect.Width <= 0 || rect.Height <= 0) return std::nullopt;
  return rect;
}

void SaveWindowRect(PreferenceStore& store, const WindowRect& rect, const std::string& key) {
  const int values[4] = {rect.Left, rect.Top, rect.Width, rect.Height};
  for (int i = 0; i < 4; ++i) store.WriteString(key, kNames[i], std::to_string(values[i]));
}

WindowRect PlaceWindow(const std::optional<WindowRect>& saved, const WindowRect& design,
                       const std::vector<WindowRect>& screens, const FrameMargins& frame) {
  if (screens.empty()) return saved.value_or(design);
  if (saved && std::any_of(screens.begin(), screens.end(), [&](const WindowRect& screen) {
        return Inside(WithFrame(*saved, frame), screen);
      })) {
    return *saved;
  }
  const WindowRect& screen = screens.front();
  WindowRect placed;
  placed.Width = std::max(1, std::min(design.Width, screen.Width - frame.Left - frame.Right));
  placed.Height = std::max(1, std::min(design.Height, screen.Height - frame.Top - frame.Bottom));
  const int outer_width = placed.Width + frame.Left + frame.Right;
  const int outer_height = placed.Height + frame.Top + frame.Bottom;
  placed.Left = screen.Left + (screen.Width - outer_width) / 2 + frame.Left;
  placed.Top = screen.Top + (screen.Height - outer_height) / 2 + frame.Top;
  return placed;
}

}  // namespace v7400
