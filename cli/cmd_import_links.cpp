// import-links DIR [--name GROUP]: a folder of link files becomes a new group
// (by default "IEのお気に入り"): each sub-folder a group, each Internet
// shortcut (*.url) and each desktop link (*.desktop with Type=Link) an item.
#include <cstdio>
#include <string>
#include <vector>

#include "app_context.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "present/bookmarks.h"
#include "tree_session.h"

namespace ks::cli {
namespace {

constexpr const char* kUsage = "import-links DIR [--name GROUP] [--raw]";

int run_import_links(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  const bool raw = take_flag(args, "--raw");
  std::string group = KS_SJ("IEのお気に入り");
  std::vector<std::string> plain;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--name") {
      if (i + 1 >= args.size()) return usage_error(_("--name needs a value"));
      const auto name = core_text(args[++i], raw);
      if (!name || name->empty()) return usage_error(_("the group name has no Shift_JIS form"));
      if (has_control_bytes(*name)) {
        return usage_error(_("the group name cannot hold control characters"));
      }
      group = *name;
    } else if (args[i].rfind("--", 0) == 0) {
      return usage_error(format(_("unknown option: {1}"), {args[i]}));
    } else {
      plain.push_back(args[i]);
    }
  }
  if (plain.size() != 1) return usage_of(kUsage);
  const std::optional<std::string> dir = from_os_name(plain[0]);
  if (!dir || !is_directory(*dir)) return failure(format(_("not a folder: {1}"), {plain[0]}));
  int code = 0;
  auto app = open_app(ctx, code, app::Access::kChange, "import-links");
  if (!app) return code;
  TreeSession session;
  open_tree_session(*app, session, AnswerMode::kNo);
  const present::ImportResult r = present::import_link_folder(*dir, app->folders.data, group);
  if (!r.imported) return failure(sjis_to_utf8(KS_SJ("フォルダ作成失敗")));
  present::merge_imported_group(*session.ctx, r);
  if (r.entry_limit) {
    note(format(_("the folder holds more than {1} entries; the import stopped there"),
                {std::to_string(present::kMaxLinkFolderEntries)}));
  }
  char count[32];
  std::snprintf(count, sizeof count, "(%d", r.links);
  print_line(KS_SJ("IEのお気に入り インポート完了") + count + KS_SJ("件)"), raw);
  return kExitOk;
}

const Registrar reg{{"import-links", kUsage,
                     N_("import a folder of link files (*.url, *.desktop) as a new group"),
                     &run_import_links, nullptr}};

}  // namespace
}  // namespace ks::cli
