#pragma once

// The core's text is UTF-8 in std::string; Qt's is QString.

#include <QString>
#include <string>

namespace tessaly::ui {

[[nodiscard]] inline QString Utf8(const std::string& text) { return QString::fromStdString(text); }

}  // namespace tessaly::ui
