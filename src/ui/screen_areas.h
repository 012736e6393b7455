// The screens' available areas as the window placement takes them: the primary first.
#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <vector>

#include "app/window_placement.h"

namespace v7400 {

inline std::vector<WindowRect> AvailableScreenAreas() {
  std::vector<WindowRect> screens;
  const QScreen* primary = QGuiApplication::primaryScreen();
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect area = screen->availableGeometry();
    const WindowRect rect{area.x(), area.y(), area.width(), area.height()};
    screens.insert(screen == primary ? screens.begin() : screens.end(), rect);
  }
  return screens;
}

}  // namespace v7400
