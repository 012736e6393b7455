#include "app/window_placement.h"

#include <gtest/gtest.h>

#include "fakes/fake_preference_store.h"

namespace v7400 {
namespace {

const WindowRect kDesign{0, 0, 782, 529};
const FrameMargins kFrame{4, 30, 4, 4};
const WindowRect kScreen{0, 0, 1280, 900};

TEST(WindowPlacement, SavedPlaceOnlyWhereItFitsAScreenElseTheDesignSizeCentred) {
  const WindowRect centred{249, 198, 782, 529};
  const struct {
    std::optional<WindowRect> saved;
    std::vector<WindowRect> screens;
    WindowRect placed;
  } cases[] = {
      {std::nullopt, {kScreen}, centred},
      {WindowRect{100, 100, 800, 600}, {kScreen}, {100, 100, 800, 600}},
      {WindowRect{4, 30, 1272, 866}, {kScreen}, {4, 30, 1272, 866}},  // frame on the edges
      {WindowRect{600, 100, 800, 600}, {kScreen}, centred},           // off the right edge
      {WindowRect{2, 100, 800, 600}, {kScreen}, centred},             // its frame off the left
      {WindowRect{100, 10, 800, 600}, {kScreen}, centred},            // title bar off the top
      {WindowRect{1400, 50, 800, 600}, {kScreen, {1280, 0, 1920, 1080}}, {1400, 50, 800, 600}},
      {WindowRect{1400, 50, 800, 600}, {kScreen}, centred},  // the second screen is gone
      // A 1280 x 900 screen at scale factor 2: the window shrinks to fit, frame and all.
      {std::nullopt, {{0, 0, 640, 450}}, {4, 30, 632, 416}},
      {std::nullopt, {{0, 0, 1024, 700}, kScreen}, {121, 98, 782, 529}},  // primary first
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PlaceWindow(c.saved, kDesign, c.screens, kFrame), c.placed)
        << (c.saved ? c.saved->Left : -1) << "," << (c.saved ? c.saved->Top : -1);
  }
}

TEST(WindowPlacement, KeptBesideTheOtherPreferencesAndIgnoredWhenBroken) {
  testing::FakePreferenceStore store;
  EXPECT_EQ(LoadWindowRect(store), std::nullopt);
  SaveWindowRect(store, {-20, 15, 900, 640});
  EXPECT_EQ(store.Get("SOFTWARE\\Corvane\\V7400\\Window\\", "Left"), "-20");
  EXPECT_EQ(LoadWindowRect(store), (WindowRect{-20, 15, 900, 640}));
  // Each window under its own key.
  EXPECT_EQ(LoadWindowRect(store, kBehaviourWindowKey), std::nullopt);
  SaveWindowRect(store, {30, 40, 500, 300}, kBehaviourWindowKey);
  EXPECT_EQ(store.Get("SOFTWARE\\Corvane\\V7400\\ReceiverBehaviour\\", "Width"), "500");
  EXPECT_EQ(LoadWindowRect(store), (WindowRect{-20, 15, 900, 640}));
  for (const auto& [name, value] : {std::pair{"Width", "wide"}, {"Height", "0"}, {"Top", ""}}) {
    SaveWindowRect(store, {10, 15, 900, 640});
    store.Set(kWindowKey, name, value);
    EXPECT_EQ(LoadWindowRect(store), std::nullopt) << name << "=" << value;
  }
}

}  // namespace
}  // namespace v7400
