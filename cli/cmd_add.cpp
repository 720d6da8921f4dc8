// add URL [--name NAME] [--group PATH]: a new item with default settings.
// Names are taken as the tree's "new item" command takes them: the name,
// then NAME(2), NAME(3)...; without --name "新規ページ", "新規ページ(2)"...
// With the template root as the group, a template is made instead
// ("新規テンプレート"...), at most kMaxTemplates of them.
#include <string>
#include <vector>

#include "app_context.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "store/node_path.h"
#include "store/page_settings_io.h"
#include "store/templates.h"

namespace ks::cli {
namespace {

constexpr int kMaxNameTries = 999;

struct Args {
  std::string url;
  std::optional<std::string> name;
  std::optional<std::string> group;
  bool raw = false;
};

// Parses the arguments; returns an empty message on success.
std::string parse(const std::vector<std::string>& in, Args& a) {
  std::vector<std::string> args = in;
  a.raw = take_flag(args, "--raw");
  std::vector<std::string> plain;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--name" || args[i] == "--group") {
      if (i + 1 >= args.size()) return args[i] + " needs a value";
      (args[i] == "--name" ? a.name : a.group) = args[i + 1];
      ++i;
    } else if (args[i].rfind("--", 0) == 0) {
      return "unknown option: " + args[i];
    } else {
      plain.push_back(args[i]);
    }
  }
  if (plain.size() != 1 || plain[0].empty()) return "usage: add URL [--name NAME] [--group PATH]";
  a.url = plain[0];
  return {};
}

// The first free candidate name in the group and its folder path.
struct Candidate {
  std::string name;
  store::NewChildPath path;
};
std::optional<Candidate> free_name(const store::Tree& tree, store::NodeId group,
                                   store::NodeKind kind, const std::string& base_folder,
                                   const std::optional<std::string>& given, bool& too_long) {
  too_long = false;
  const std::string& fallback =
      kind == store::NodeKind::kTemplate ? KS_SJ("新規テンプレート") : KS_SJ("新規ページ");
  const std::string& stem = given ? *given : fallback;
  for (int n = 1; n <= kMaxNameTries; ++n) {
    std::string name = n == 1 ? stem : stem + "(" + std::to_string(n) + ")";
    auto p = store::new_child_path(tree, group, name, kind, base_folder);
    if (!p) {
      too_long = true;
      return std::nullopt;
    }
    if (!path_exists(p->path)) return Candidate{name, *p};
  }
  return std::nullopt;
}

int run_add(Context& ctx, const std::vector<std::string>& in) {
  Args a;
  if (std::string err = parse(in, a); !err.empty()) return usage_error(err);
  auto url = core_text(a.url, a.raw);
  if (!url) return usage_error("the URL has characters without a Shift_JIS form");
  if (url->size() > store::kUrlCapacity - 1)
    return usage_error("the URL is longer than 2100 bytes");
  std::optional<std::string> name;
  if (a.name) {
    name = core_text(*a.name, a.raw);
    if (!name || name->empty())
      return usage_error("the name is empty or has characters without a Shift_JIS form");
  }
  int code = 0;
  auto app = open_app(ctx, code);
  if (!app) return code;

  store::NodeId group = app->tree.root();
  store::NodeKind kind = store::NodeKind::kItem;
  if (a.group) {
    group = find_node(*app, *a.group, a.raw);
    if (group == store::kNoNode) return kExitFailure;
    const store::Node& g = *app->tree.find(group);
    if (g.kind() == store::NodeKind::kTemplateRoot) {
      kind = store::NodeKind::kTemplate;
      if (g.children.size() >= store::kMaxTemplates) {
        return failure("there are already " + std::to_string(store::kMaxTemplates) + " templates");
      }
    } else if (g.kind() != store::NodeKind::kGroup && g.kind() != store::NodeKind::kRoot) {
      return failure("not a group: " + *a.group);
    }
  }
  bool too_long = false;
  auto cand = free_name(app->tree, group, kind, app->folders.base, name, too_long);
  if (!cand) {
    return failure(too_long ? sjis_to_utf8(KS_SJ("サイト名が長すぎます。"))
                            : std::string("every candidate name is taken"));
  }
  if (!make_dirs(cand->path.path)) return failure("cannot create " + to_os_path(cand->path.path));
  store::PageSettings rec = store::default_page_settings();
  rec.kind = static_cast<int32_t>(kind);
  rec.name = cand->name;
  rec.url = *url;
  rec.folder_path = cand->path.path;
  if (!store::write_page_settings(cand->path.path, rec)) {
    remove_tree(cand->path.path);
    return failure("cannot write the settings in " + to_os_path(cand->path.path));
  }
  store::NodeId id = app->tree.add(group, kind, cand->name, cand->path.escape_flag);
  print_line(app->tree.display_path(id), a.raw);
  return kExitOk;
}

const Registrar reg{{"add", "add URL [--name NAME] [--group PATH] [--raw]",
                     "add a page (or, in テンプレート, a template); prints its path", &run_add}};

}  // namespace
}  // namespace ks::cli
