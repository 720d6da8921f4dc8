// winpos.db: where the main window was (section POSITION: LEFT and TOP
// relative to the work area, CX, CY, the tree pane width W, MAXIMIZED) and
// whether it stays on top (section CONFIG: TOPMOST). When winpos.db does not
// exist the keys are read from kestrelscan.ini, where older versions kept
// them; they are always written to winpos.db. The placement on screen is a
// pure function of the saved values and the work area.
#pragma once

#include <cstdint>
#include <string_view>

namespace ks::app_options {

struct WindowPlacement {
  int32_t left = 0;
  int32_t top = 0;
  int32_t cx = 640;
  int32_t cy = 450;
  int32_t tree_width = 150;  // W
  int32_t maximized = 0;
  int32_t topmost = 0;
};

struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
};

WindowPlacement load_window_placement(std::string_view app_folder);
// LEFT and TOP are written only when both are at least 0.
bool save_window_placement(std::string_view app_folder, const WindowPlacement& wp);

// The restored window's rectangle on a screen with this work area: an edge
// outside the work area moves to the work area's edge; a size that is not
// positive or larger than the work area becomes the work area's size.
Rect place_window(const WindowPlacement& wp, const Rect& work_area);

}  // namespace ks::app_options
