#include "check/schedule_inputs.h"

#include "compare/result_record.h"
#include "platform/fs.h"
#include "store/check_interval.h"
#include "store/node_path.h"

namespace ks::check {
namespace {

void gather(const store::Tree& tree, const std::string& base, store::NodeId id, ScheduleInput& in) {
  const store::Node* n = tree.find(id);
  if (!n) return;
  const store::NodeKind kind = n->kind();
  if (kind == store::NodeKind::kTemplateRoot || kind == store::NodeKind::kTemplate) return;
  if (kind != store::NodeKind::kRoot && (n->tag & store::kTagNoAutoCheck)) return;
  if (kind == store::NodeKind::kGroup || kind == store::NodeKind::kItem) {
    const auto folder = store::node_path(tree, id, base);
    if (!folder) return;
    const bool group = kind == store::NodeKind::kGroup;
    if (auto v = store::read_check_interval(*folder, group)) in.intervals[id] = *v;
    if (!group) {
      if (auto t = last_check_time(*folder)) in.last_check[id] = *t;
      return;
    }
  }
  for (store::NodeId child : n->children) gather(tree, base, child, in);
}

}  // namespace

std::optional<int64_t> last_check_time(const std::string& item_folder) {
  return file_mtime(compare::result_path(item_folder));
}

ScheduleInput load_schedule_input(const store::Tree& tree, const std::string& base_folder,
                                  const app_options::ScheduleOptions& options, int64_t now) {
  ScheduleInput in;
  in.tree = &tree;
  in.enabled = options.enabled != 0;
  in.whole_tree_interval = options.interval;
  in.window = ScheduleWindow::of(options);
  in.now = now;
  // Off: nothing is due, so nothing needs reading.
  if (in.enabled) gather(tree, base_folder, tree.root(), in);
  return in;
}

}  // namespace ks::check
