#pragma once

// Control places given in twips, the unit of the window layouts.

#include <QRect>

namespace tessaly::ui {

// A rectangle given in twips, at 15 twips to a pixel.
[[nodiscard]] inline QRect Twips(int left, int top, int width, int height) {
  const auto px = [](int twips) { return (twips + 7) / 15; };
  return {px(left), px(top), px(width), px(height)};
}

}  // namespace tessaly::ui
