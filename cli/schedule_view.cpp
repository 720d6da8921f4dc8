#include "schedule_view.h"

#include <ctime>

#include "check/schedule_inputs.h"

namespace ks::cli {

LoadedSchedule load_data_folder_schedule(const App& app) {
  LoadedSchedule s;
  s.options = app_options::load_schedule(app.app_folder);
  s.now = static_cast<int64_t>(std::time(nullptr));
  s.result = check::compute_schedule(
      check::load_schedule_input(app.tree, app.folders.base, s.options, s.now));
  return s;
}

bool is_below(const store::Tree& tree, store::NodeId id, store::NodeId top) {
  for (const store::Node* n = tree.find(id); n; n = tree.find(n->parent)) {
    if (n->id == top) return true;
  }
  return false;
}

std::string local_time_text(int64_t t) {
  const std::time_t tt = static_cast<std::time_t>(t);
  std::tm tm{};
  localtime_r(&tt, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M", &tm);
  return buf;
}

}  // namespace ks::cli
