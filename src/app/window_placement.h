// A window's size and position, kept in the preference store beside the other preferences
// (the main window's under kWindowKey), and where the window opens: where it was when that
// still fits a screen, else at its design size in the middle of the screen, never with an edge
// off the screen.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/preference_store.h"

namespace v7400 {

inline constexpr char kWindowKey[] = "SOFTWARE\\Corvane\\V7400\\Window\\";
inline constexpr char kBehaviourWindowKey[] = "SOFTWARE\\Corvane\\V7400\\ReceiverBehaviour\\";

// A rectangle in the desktop's coordinates; for the window, its client area.
struct WindowRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  bool operator==(const WindowRect&) const = default;
};

// What the window frame adds around the client area.
struct FrameMargins {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
};

// Values "Left", "Top", "Width" and "Height"; nothing when the key is missing or a value is not
// a number or the size is not positive (the design placement is taken then).
std::optional<WindowRect> LoadWindowRect(const PreferenceStore& store,
                                         const std::string& key = kWindowKey);
void SaveWindowRect(PreferenceStore& store, const WindowRect& rect,
                    const std::string& key = kWindowKey);

// `saved` when, with its frame, it lies wholly inside one of the `screens` (their available
// areas, the primary first); else `design` centred on the primary screen, shrunk where the
// screen is smaller. `design` holds only a size.
WindowRect PlaceWindow(const std::optional<WindowRect>& saved, const WindowRect& design,
                       const std::vector<WindowRect>& screens, const FrameMargins& frame);

}  // namespace v7400
