// The line that edits a check interval in the sheets: the text forms the
// command line's "set ... SCHEDULE.INTERVAL=" takes ("15m", "2h", "1d",
// "1w", "0"; a plain number is minutes), and for a node the empty text,
// which means it has no interval of its own. UI thread.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

class QLineEdit;
class QWidget;

namespace ks::gui {

// A line showing `minutes` ("" for nullopt) with a tooltip on the forms.
QLineEdit* interval_line(std::optional<int32_t> minutes);
// Reads the line's interval into `minutes` (nullopt for the empty text when
// `empty_allowed`, else 0); false (`minutes` untouched) when malformed.
bool read_interval_line(const QLineEdit* line, bool empty_allowed, std::optional<int32_t>& minutes);
// Checks the line; on a malformed text tells the user, focuses the line
// and returns false.
bool validate_interval_line(QWidget* page, QLineEdit* line, bool empty_allowed);

}  // namespace ks::gui
