#pragma once

// A picture of a window for the documentation: `TESSALY_SCREENSHOT=<path>`
// makes the editor save its main window as an image and quit.

#include <QString>

class QWidget;

namespace tessaly::ui {

// Once the event loop runs and the window has been shown, selects row
// `selectRow` of the window's list `List1` (none when negative or when the
// list is missing or shorter), lets the window settle, saves window.grab() to
// `path` (the format follows the suffix) and ends the event loop: exit code 0
// when the image was written, 1 otherwise.
void ScheduleScreenshot(QWidget& window, const QString& path, int selectRow = 0);

}  // namespace tessaly::ui
