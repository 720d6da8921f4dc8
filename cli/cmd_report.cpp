// report [PATH] [--images] [-o FILE] [--open]: the HTML result report of the
// item or group at PATH (the whole tree by default): a single item's last
// N_RELOAD results, or every updated item below a group. It goes to FILE, or
// where SAVE_RESULT_FILE puts it (result.html in the base folder, or a new
// file in its folder result/); the path is printed. --open opens it in the
// browser (BROWSER with USE_BROWSER, else the desktop's default handler).
#include <cstdio>
#include <string>
#include <vector>

#include "app_context.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "present/report.h"
#include "store/templates.h"

namespace ks::cli {
namespace {

void tell_user(std::string_view text, std::string_view /*title*/) {
  failure(sjis_to_utf8(text));
}

constexpr const char* kUsage = "report [PATH] [--images] [-o FILE] [--open] [--raw]";

int run_report(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  const bool raw = take_flag(args, "--raw");
  const bool images = take_flag(args, "--images");
  const bool open = take_flag(args, "--open");
  std::optional<std::string> out_file;
  std::vector<std::string> plain;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o") {
      if (i + 1 >= args.size()) return usage_error(_("-o needs a file name"));
      out_file = args[++i];
    } else if (args[i].rfind("-", 0) == 0) {
      return usage_error(format(_("unknown option: {1}"), {args[i]}));
    } else {
      plain.push_back(args[i]);
    }
  }
  if (plain.size() > 1) return usage_of(kUsage);
  int code = 0;
  auto app = open_app(ctx, code);
  if (!app) return code;
  const store::NodeId from = find_node_or_root(*app, plain, 0, raw);
  if (from == store::kNoNode) return kExitFailure;
  present::ReportEnv env;
  env.options = &app->options;
  env.base_folder = app->folders.base;
  env.message = &tell_user;
  env.apply_template = store::template_applier(app->templates);
  const auto mode = images ? present::ReportMode::kImages : present::ReportMode::kText;
  std::optional<std::string> path;
  if (out_file) {
    path = from_os_name(*out_file);
    if (!path) return failure(format(_("the file name has no Shift_JIS form: {1}"), {*out_file}));
    if (!write_file_atomic(*path, present::build_report(app->tree, from, mode, env))) {
      return failure(format(_("cannot write {1}"), {*out_file}));
    }
  } else {
    path = present::write_report(app->tree, from, mode, env);
    if (!path) return kExitFailure;
  }
  print_line(*path, raw);
  if (open) {
    present::OpenEnv oenv;
    oenv.options = &app->options;
    oenv.message = &tell_user;
    if (!present::open_report(*path, oenv)) return kExitFailure;
  }
  return kExitOk;
}

const Registrar reg{
    {"report", kUsage, N_("write the HTML result report (and open it)"), &run_report, nullptr}};

}  // namespace
}  // namespace ks::cli
