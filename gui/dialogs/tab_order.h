// Tab order that follows the layout. Qt moves the focus in the order the
// widgets joined their window, which on a page built row by row (a row's
// controls made before the box that marks it, a button made after the edit
// below it) is not the order the user sees. follow_layout() walks a page's
// layouts instead — a grid row by row and left to right, a box in its own
// order, nested layouts and group boxes in place — and chains every
// widget that takes the focus by Tab in that order. UI thread.
#pragma once

#include <vector>

class QWidget;

namespace ks::gui {

// The widgets of `page` that take the focus by Tab, in layout order.
std::vector<QWidget*> layout_focus_order(QWidget* page);

// Sets the Tab order of `page`'s widgets to layout_focus_order(page).
void follow_layout(QWidget* page);

}  // namespace ks::gui
