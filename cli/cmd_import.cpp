// import FILE: a bookmark file (the format browsers export) becomes a new
// group "インポートされたブックマーク" with a group per bookmark folder and an
// item per link. Names that repeat get "(1)", "(2)"...; names too long for a
// folder go to the group "!アイテム名が長い".
#include <cstdio>
#include <string>
#include <vector>

#include "app_context.h"
#include "platform/fs.h"
#include "present/bookmarks.h"
#include "tree_session.h"

namespace ks::cli {
namespace {

int run_import(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() != 1) return usage_of("import FILE");
  const std::optional<std::string> file = from_os_name(args[0]);
  if (!file) return failure(format(_("the file name has no Shift_JIS form: {1}"), {args[0]}));
  const std::optional<std::string> bytes = read_file(*file);
  if (!bytes) return failure(format(_("cannot read {1}"), {args[0]}));
  int code = 0;
  auto app = open_app(ctx, code, app::Access::kChange, "import");
  if (!app) return code;
  TreeSession session;
  open_tree_session(*app, session, AnswerMode::kNo);
  const present::ImportResult r = present::import_bookmarks(*bytes, app->folders.data);
  if (!r.imported) return failure(format(_("not a bookmark file: {1}"), {args[0]}));
  present::merge_imported_group(*session.ctx, r);
  char count[32];
  std::snprintf(count, sizeof count, "(%d", r.links);
  print_line(KS_SJ("ブックマークのインポート完了") + count + KS_SJ("件)"));
  if (r.too_long > 0) print_line(present::too_long_names_message());
  return kExitOk;
}

const Registrar reg{
    {"import", "import FILE", N_("import a bookmark file as a new group"), &run_import, nullptr}};

}  // namespace
}  // namespace ks::cli
