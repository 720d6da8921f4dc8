// Printing the current result pane ("印刷(&P)"): its text in its font, lines
// wrapped to the page width, page after page. UI thread.
#pragma once

#include <QString>
#include <functional>

#include "gui/viewer/result_view.h"

class QPrinter;
class QWidget;

namespace ks::gui {

// Prints the whole text of `view`; progress(percent) after every page. False
// when the printer could not be started or the pane is empty.
bool print_text(ResultView& view, QPrinter& printer, const std::function<void(int)>& progress);

// The command: the print dialog over `window`, then printing with the status
// text "印刷中(%d%%)..." through `status` (cleared at the end). When `window`
// stays on top, that is lifted while printing and restored after.
bool print_with_dialog(ResultView& view, QWidget* window,
                       const std::function<void(const QString&)>& status);

// "印刷中(%d%%)..." for a percentage.
QString printing_status(int percent);

}  // namespace ks::gui
