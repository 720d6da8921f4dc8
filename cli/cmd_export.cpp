// export FILE: the whole tree as a bookmark file (UTF-8) that web browsers
// import: groups and the template folder as folders, items as links.
#include <string>
#include <vector>

#include "app_context.h"
#include "platform/fs.h"
#include "present/bookmarks.h"
#include "tree_session.h"

namespace ks::cli {
namespace {

int run_export(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() != 1) return usage_of("export FILE");
  const std::optional<std::string> file = from_os_name(args[0]);
  if (!file) return failure(format(_("the file name has no Shift_JIS form: {1}"), {args[0]}));
  int code = 0;
  auto app = open_app(ctx, code);
  if (!app) return code;
  TreeSession session;
  open_tree_session(*app, session, AnswerMode::kNo);
  const std::string html = present::export_bookmarks(app->tree, app->folders.base);
  if (!write_file_atomic(*file, html)) return failure(format(_("cannot write {1}"), {args[0]}));
  print_line(KS_SJ("エクスポート完了"));
  return kExitOk;
}

const Registrar reg{
    {"export", "export FILE", N_("write the tree as a bookmark file"), &run_export, nullptr}};

}  // namespace
}  // namespace ks::cli
