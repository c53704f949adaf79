#pragma once

// Fonts, locale and Qt's own texts that make the editor Simplified Chinese,
// with Simplified Chinese glyph forms, on every platform.

#include <QFont>
#include <QStringList>

class QApplication;

namespace tessaly::ui {

// The font families tried in order for the whole program: Windows' YaHei,
// then the Noto CJK SC face that Linux desktops ship, then any SC face.
[[nodiscard]] QStringList ChineseFontFamilies();

// The font of the 添加 and 删除 buttons: "微软雅黑" 9 point, with the same fallbacks.
[[nodiscard]] QFont NarrowButtonFont();

// Sets the application font (9 point, ChineseFontFamilies), the default locale
// zh_CN and Qt's own texts (the OK button, the file dialog) in Chinese from
// Qt's translation of qtbase (qt_zh_CN.qm or qtbase_zh_CN.qm in the
// translations folder beside the program, as the Windows zip has it, or else
// in Qt's). Returns false when it cannot be loaded: Qt's texts then stay
// English (Debian ships the files in qt6-translations-l10n).
bool ApplyChineseLook(QApplication& app);

}  // namespace tessaly::ui
