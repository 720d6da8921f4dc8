#include "app/options/window_placement.h"

#include <string>

#include "app/options/options.h"
#include "platform/fs.h"
#include "platform/profile.h"

namespace ks::app_options {

namespace {
constexpr std::string_view kWinposFile = "winpos.db";
}

WindowPlacement load_window_placement(std::string_view app_folder) {
  std::string path = path_join(app_folder, kWinposFile);
  if (!path_exists(path)) path = path_join(app_folder, kOptionsFile);
  Profile p = Profile::load(path);
  WindowPlacement wp;
  wp.left = p.get_int("POSITION", "LEFT", wp.left);
  wp.top = p.get_int("POSITION", "TOP", wp.top);
  wp.cx = p.get_int("POSITION", "CX", wp.cx);
  wp.cy = p.get_int("POSITION", "CY", wp.cy);
  wp.tree_width = p.get_int("POSITION", "W", wp.tree_width);
  wp.maximized = p.get_int("POSITION", "MAXIMIZED", wp.maximized);
  wp.topmost = p.get_int("CONFIG", "TOPMOST", wp.topmost);
  return wp;
}

bool save_window_placement(std::string_view app_folder, const WindowPlacement& wp) {
  std::string path = path_join(app_folder, kWinposFile);
  Profile p = Profile::load(path);
  if (wp.left >= 0 && wp.top >= 0) {
    p.set("POSITION", "LEFT", std::to_string(wp.left));
    p.set("POSITION", "TOP", std::to_string(wp.top));
  }
  p.set("POSITION", "CX", std::to_string(wp.cx));
  p.set("POSITION", "CY", std::to_string(wp.cy));
  p.set("POSITION", "W", std::to_string(wp.tree_width));
  p.set("POSITION", "MAXIMIZED", std::to_string(wp.maximized ? 1 : 0));
  p.set("CONFIG", "TOPMOST", std::to_string(wp.topmost));
  return p.save(path);
}

Rect place_window(const WindowPlacement& wp, const Rect& wa) {
  Rect r;
  // 64-bit sums: saved values are read as they are and may be anything.
  int64_t top = int64_t{wa.top} + wp.top;
  int64_t left = int64_t{wa.left} + wp.left;
  r.top = top < wa.top || top >= int64_t{wa.top} + wa.height ? wa.top : static_cast<int32_t>(top);
  r.left =
      left < wa.left || left >= int64_t{wa.left} + wa.width ? wa.left : static_cast<int32_t>(left);
  r.width = wp.cx <= 0 || wp.cx > wa.width ? wa.width : wp.cx;
  r.height = wp.cy <= 0 || wp.cy > wa.height ? wa.height : wp.cy;
  return r;
}

}  // namespace ks::app_options
