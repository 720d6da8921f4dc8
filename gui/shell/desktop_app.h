// The whole life of the desktop app, in the order start-up must follow:
// --help and --version (no display needed); the single-instance check (a
// running app on the same data folder is brought forward and this start
// ends with 0); the core (options, folders, the data-folder lock, the
// libraries); the window with its splash, tree, menus and placement; the
// check at start-up; showing the window; the event loop; and going down
// (tree cache, placement, TOPMOST, statistics). Returns the exit status.
#pragma once

namespace ks::gui {

int run_desktop_app(int argc, char** argv);

}  // namespace ks::gui
