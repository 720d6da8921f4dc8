// cp PATH DEST: copies a group or item as pasting does: onto a group (or the
// root) it goes in first; onto an item it goes into that item's group just
// before it; onto itself or into its own group it is named "コピー ～ NAME".
// Name conflicts are asked about (--yes: overwrite all, --no: skip all).
#include <string>
#include <vector>

#include "tree_session.h"

namespace ks::cli {
namespace {

constexpr const char* kUsage = "cp PATH DEST [--yes|--no] [--raw]";

int run_cp(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  bool raw = take_flag(args, "--raw");
  auto mode = take_answer_flags(args);
  if (!mode) return usage_error(_("--yes and --no exclude each other"));
  if (args.size() != 2) return usage_of(kUsage);
  int code = 0;
  auto app = open_app(ctx, code, app::Access::kChange, "cp");
  if (!app) return code;
  TreeSession s;
  open_tree_session(*app, s, *mode);
  store::NodeId src = find_node(*app, args[0], raw);
  store::NodeId dest = find_node(*app, args[1], raw);
  if (src == store::kNoNode || dest == store::kNoNode) return kExitFailure;
  if (!is_group_or_item(*app, src)) return failure(_("only groups and items can be copied"));
  auto dest_kind = app->tree.find(dest)->kind();
  if (dest_kind == store::NodeKind::kTemplateRoot || dest_kind == store::NodeKind::kTemplate) {
    return failure(_("groups and items cannot be copied among the templates"));
  }
  store::PasteStatus st = store::paste(*s.ctx, store::Clipboard{src, false}, dest);
  if (st == store::PasteStatus::kDone && !s.prompt.told_failure()) return kExitOk;
  if (st == store::PasteStatus::kNothing) return failure(_("nothing was copied"));
  return kExitFailure;  // the reason was printed
}

const Registrar reg{{"cp", kUsage,
                     N_("copy a group or item into group DEST (or next to item DEST)"), &run_cp,
                     nullptr}};

}  // namespace
}  // namespace ks::cli
