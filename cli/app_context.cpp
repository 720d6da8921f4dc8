#include "app_context.h"

#include <algorithm>
#include <cstdio>

#include "platform/sjis.h"
#include "store/node_path.h"
#include "store/page_settings_io.h"

namespace ks::cli {

App::App(std::unique_ptr<app::Application> c)
    : core(std::move(c)),
      app_folder(core->app_folder()),
      options(core->options()),
      folders(core->folders()),
      tree(core->tree()),
      templates(core->templates()) {}

namespace {

std::string start_error_text(const app::StartError& error) {
  switch (error.kind) {
    case app::StartError::Kind::kNoAppFolder:
      return _("cannot name the application folder (set --home or KESTRELSCAN_HOME)");
    case app::StartError::Kind::kLocked: {
      const std::string what =
          error.holder && !error.holder->what.empty() ? error.holder->what : _("another process");
      if (error.holder && error.holder->pid > 0) {
        return format(_("the data folder is in use by {1} (process {2}); nothing was changed"),
                      {what, std::to_string(error.holder->pid)});
      }
      return format(_("the data folder is in use by {1}; nothing was changed"), {what});
    }
    default:
      return error.message;
  }
}

std::unique_ptr<App> start_core(app::StartOptions& start, int& exit_code) {
  app::StartError error;
  auto core = app::Application::start(start, error);
  if (!core) {
    exit_code = failure(start_error_text(error));
    return nullptr;
  }
  if (const store::StartupTree& t = core->startup_tree(); t.tree_db_rebuilt) {
    note(t.tree_db_saved ? _("data/tree.db could not be read; the tree was built from the "
                             "folders (tree.db was written anew; the stored order is lost)")
                         : _("data/tree.db could not be read; the tree was built from the "
                             "folders (run repair to write tree.db anew)"));
  }
  exit_code = kExitOk;
  return std::make_unique<App>(std::move(core));
}

}  // namespace

std::unique_ptr<App> open_core(const Context& ctx, int& exit_code) {
  app::StartOptions start;
  start.home = ctx.home;
  start.load_tree = false;
  return start_core(start, exit_code);
}

std::unique_ptr<App> open_app(const Context& ctx, int& exit_code, app::Access access,
                              std::string_view holder) {
  app::StartOptions start;
  start.home = ctx.home;
  start.access = access;
  start.holder = "kestrelscan-cli";
  if (!holder.empty()) start.holder += " " + std::string(holder);
  return start_core(start, exit_code);
}

std::vector<std::string> split_path(std::string_view path) {
  std::vector<std::string> steps;
  std::string step;
  for (std::size_t i = 0; i < path.size();) {
    // Double-byte characters are copied whole: a trail byte may be 0x5C,
    // which is part of the character and not a backslash.
    if (is_sjis_pair(path, i)) {
      step.append(path.substr(i, 2));
      i += 2;
    } else if (path[i] == '\\' && i + 1 < path.size() &&
               (path[i + 1] == '/' || path[i + 1] == '\\')) {
      step += path[i + 1];
      i += 2;
    } else if (path[i] == '/') {
      if (!step.empty()) steps.push_back(std::move(step));
      step.clear();
      ++i;
    } else {
      step += path[i++];
    }
  }
  if (!step.empty()) steps.push_back(std::move(step));
  return steps;
}

std::string path_step(std::string_view label) {
  std::string out;
  for (std::size_t i = 0; i < label.size();) {
    if (is_sjis_pair(label, i)) {
      out.append(label.substr(i, 2));
      i += 2;
      continue;
    }
    const auto b = static_cast<unsigned char>(label[i]);
    if (b < 0x20 || b == 0x7F) {
      out += '?';
      ++i;
      continue;
    }
    if (label[i] == '/' || label[i] == '\\') out += '\\';
    out += label[i++];
  }
  return out;
}

std::string cli_path(const store::Tree& tree, store::NodeId id) {
  std::vector<const store::Node*> chain;
  for (const store::Node* n = tree.find(id); n && n->id != tree.root(); n = tree.find(n->parent)) {
    chain.push_back(n);
  }
  std::string out;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!out.empty()) out += '/';
    out += path_step((*it)->label);
  }
  return out;
}

store::NodeId resolve_path(const store::Tree& tree, store::NodeId from, std::string_view path) {
  store::NodeId cur = from;
  for (const std::string& step : split_path(path)) {
    if (cur == store::kNoNode) break;
    cur = tree.find_child(cur, step);
  }
  return cur;
}

store::NodeId find_node(const App& app, std::string_view path, bool raw) {
  auto core = core_text(path, raw);
  store::NodeId id = core ? resolve_path(app.tree, app.tree.root(), *core) : store::kNoNode;
  if (id == store::kNoNode) failure(format(_("no such item or group: {1}"), {path}));
  return id;
}

store::NodeId find_node_or_root(const App& app, const std::vector<std::string>& args,
                                std::size_t index, bool raw) {
  return index < args.size() ? find_node(app, args[index], raw) : app.tree.root();
}

std::optional<PageNode> find_page(const App& app, std::string_view path, bool raw) {
  const store::NodeId id = find_node(app, path, raw);
  if (id == store::kNoNode) return std::nullopt;
  const store::NodeKind kind = app.tree.find(id)->kind();
  if (kind != store::NodeKind::kItem && kind != store::NodeKind::kTemplate) {
    failure(format(_("not an item or template: {1}"), {path}));
    return std::nullopt;
  }
  auto folder = store::node_path(app.tree, id, app.folders.base);
  if (!folder) {
    failure(sjis_to_utf8(KS_SJ("サイト名が長すぎます。")));
    return std::nullopt;
  }
  return PageNode{id, std::move(*folder)};
}

std::optional<StoredPage> read_page(const App& app, std::string_view path, bool raw) {
  auto node = find_page(app, path, raw);
  if (!node) return std::nullopt;
  StoredPage page{std::move(*node), {}};
  if (!store::read_page_settings(page.node.folder, page.settings)) {
    failure(format(_("cannot read {1}"), {sjis_to_utf8(page.node.folder) + "/site.db"}));
    return std::nullopt;
  }
  return page;
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

std::string shell_word(std::string_view utf8) {
  const bool plain = !utf8.empty() && std::all_of(utf8.begin(), utf8.end(), [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x80 || (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') ||
           (b >= 'a' && b <= 'z') || c == '/' || c == '.' || c == '_' || c == '-' || c == '+' ||
           c == ',' || c == ':' || c == '@' || c == '%';
  });
  if (plain) return std::string(utf8);
  std::string out = "'";
  for (char c : utf8) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
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
