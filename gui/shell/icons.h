// The desktop app's icons, drawn from the SVG files in gui/shell/icons/
// (our own drawings, built into the program as resources): the application
// and tray icons and one icon per tree node kind and state, with the update
// or error mark laid over it. Made once on the UI thread and then shared.
#pragma once

#include <QIcon>
#include <cstdint>

namespace ks::gui {

// The icon of a tree node from its tag; `expanded` picks the open folder.
const QIcon& node_icon(uint32_t tag, bool expanded);

const QIcon& app_icon();
const QIcon& tray_icon(bool busy);

}  // namespace ks::gui
