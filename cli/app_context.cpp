#include "app_context.h"

#include <algorithm>

#include "platform/appdir.h"
#include "platform/sjis.h"

namespace ks::cli {

std::optional<App> open_app(const Context& ctx, int& exit_code) {
  std::optional<std::string_view> home;
  if (ctx.home) home = *ctx.home;
  auto folder = resolve_app_folder(home);
  if (!folder) {
    exit_code = failure("cannot name the application folder (set --home or KESTRELSCAN_HOME)");
    return std::nullopt;
  }
  App app;
  app.app_folder = *folder;
  if (!store::prepare_app_folders(app.app_folder, app.folders)) {
    exit_code = failure("cannot create the work folder " + sjis_to_utf8(app.folders.work));
    return std::nullopt;
  }
  app.options = app_options::load_options(app.app_folder);
  store::prepare_data_folders(app.folders, app.options.use_custom_data_folder == 1,
                              app.options.custom_data_folder);
  app.startup = store::build_tree_at_startup(app.tree, app.templates, app.folders.base,
                                             app.options.auto_tree_sort != 0);
  exit_code = kExitOk;
  return app;
}

store::NodeId find_node(const App& app, std::string_view path, bool raw) {
  auto core = core_text(path, raw);
  store::NodeId id = core ? app.tree.resolve(*core) : store::kNoNode;
  if (id == store::kNoNode) failure("no such item or group: " + std::string(path));
  return id;
}

std::optional<std::string> core_text(std::string_view arg, bool raw) {
  if (raw) return std::string(arg);
  std::string out;
  if (!utf8_to_sjis_strict(arg, out)) return std::nullopt;
  return out;
}

bool take_flag(std::vector<std::string>& args, std::string_view flag) {
  auto it = std::find(args.begin(), args.end(), flag);
  if (it == args.end()) return false;
  args.erase(it);
  return true;
}

std::string to_crlf(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

}  // namespace ks::cli
