#pragma once

// Fonts and locale that make the editor's Chinese text render with Simplified
// Chinese glyph forms on every platform.

#include <QFont>
#include <QRect>
#include <QString>
#include <QStringList>
#include <string>

class QApplication;

namespace tessaly::ui {

// The font families tried in order for the whole program: Windows' YaHei,
// then the Noto CJK SC face that Linux desktops ship, then any SC face.
[[nodiscard]] QStringList ChineseFontFamilies();

// The font of the 添加 and 删除 buttons: "微软雅黑" 9 point, with the same fallbacks.
[[nodiscard]] QFont NarrowButtonFont();

// Sets the application font (9 point, ChineseFontFamilies), the default locale
// zh_CN and Qt's own Chinese texts where they are installed.
void ApplyChineseLook(QApplication& app);

// A rectangle given in twips, at 15 twips to a pixel.
[[nodiscard]] inline QRect Twips(int left, int top, int width, int height) {
  const auto px = [](int twips) { return (twips + 7) / 15; };
  return {px(left), px(top), px(width), px(height)};
}

[[nodiscard]] inline QString Utf8(const std::string& text) { return QString::fromStdString(text); }

}  // namespace tessaly::ui
