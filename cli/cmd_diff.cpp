// diff [--set KEY=VALUE...] [--out DIR] [--internal] [--raw] OLD NEW: runs an
// item's comparison on two texts, OLD as the previous log and NEW as the
// freshly converted page, under the given item settings, and prints the
// lines a check would record as added, then (with DETECT_DELETED_LINES=1)
// "【削除】" and the deleted ones, as a check shows them; stderr says what
// the comparison found. Texts are files as stored (Shift_JIS, a header line
// first). add.txt (and del.txt) are written only into --out DIR; otherwise
// the comparison works in a temporary folder that is removed again.
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app_context.h"
#include "command.h"
#include "compare/compare_step.h"
#include "compare/line_list.h"
#include "compare/line_reader.h"
#include "compare/log_files.h"
#include "compare/regex.h"
#include "convert/entities.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "present/display.h"
#include "store/page_settings.h"
#include "store/setting_keys.h"
#include "term_pane.h"

namespace ks::cli {
namespace {

constexpr const char* kUsage = "diff [--set KEY=VALUE...] [--out DIR] [--internal] [--raw] OLD NEW";

// The item settings that the comparison reads; a name ending in '_' (or a
// word-list name) stands for every key that begins with it.
constexpr std::array<std::string_view, 14> kCompareKeys{
    "URL",           "NGWORD",   "OKWORD",          "USE_REGEXP_NGWORD",   "USE_REGEXP_OKWORD",
    "USE_OLD_LOG",   "IGNORE_",  "GET_LINK_ONLY",   "CHECK_AREA_",         "USE_REGEXP_CHECK_AREA",
    "SAVE_CONTEXT_", "NGAREA0_", "SAVE_EMPTY_LINE", "DETECT_DELETED_LINES"};

bool compare_reads(std::string_view name) {
  if (name == "IGNORE_A_NAME") return false;  // a conversion setting
  for (std::string_view k : kCompareKeys) {
    const bool prefix = k.back() == '_' || k == "NGWORD" || k == "OKWORD";
    if (prefix ? name.substr(0, k.size()) == k : name == k) return true;
  }
  return false;
}

std::string apply_setting(std::string_view pair, store::PageSettings& rec) {
  const std::size_t eq = pair.find('=');
  if (eq == std::string_view::npos || eq == 0) return format(_("expected KEY=VALUE: {1}"), {pair});
  const std::string_view name = pair.substr(0, eq);
  const store::SettingKey* key = compare_reads(name) ? store::find_page_setting_key(name) : nullptr;
  if (!key) return format(_("the comparison does not read {1}"), {name});
  const std::string value = to_core(pair.substr(eq + 1));
  switch (store::set_setting_text(*key, rec, value)) {
    case store::SetStatus::kOk:
      return {};
    case store::SetStatus::kNotANumber:
      return format(_("{1} takes a whole number"), {name});
    case store::SetStatus::kOutOfRange:
      return format(_("{1} must be between {2} and {3}"),
                    {name, std::to_string(key->min), std::to_string(key->max)});
    case store::SetStatus::kTooLong:
      return format(_("{1} takes at most {2} bytes"), {name, std::to_string(key->capacity - 1)});
    case store::SetStatus::kLineBreak:
      return format(_("{1} cannot hold a line break or NUL"), {name});
  }
  return {};
}

constexpr int kLinesPerBatch = 256;

// A folder that is removed with everything in it when the scope ends.
struct TemporaryFolder {
  std::string path;  // Shift_JIS; empty when none was made
  ~TemporaryFolder() {
    if (!path.empty()) remove_tree(path);
  }
};

std::optional<std::string> make_temporary_folder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/kestrelscan-diff-XXXXXX";
  if (!::mkdtemp(pattern.data())) return std::nullopt;
  return from_os_name(pattern);
}

// The lines of a result file as a check shows them (its header line never);
// returns how many.
int show_file(TermPane& pane, const std::string& path, const store::PageSettings& rec,
              const present::DisplayEnv& env, bool internal, std::string_view heading) {
  compare::LineReader reader(path);
  if (!reader.is_open()) return 0;
  int shown = 0;
  bool first = true;
  std::string_view line;
  pane.begin();
  while (reader.next(line)) {
    if (first && compare::is_last_modified_line(line)) {
      first = false;
      continue;
    }
    first = false;
    if (shown++ == 0 && !heading.empty()) pane.write_text(std::string(heading) + "\n");
    if (internal) {
      pane.write_text(std::string(line) + "\n");
    } else {
      present::write_result_line(pane, line, rec, false, env);
    }
    if (shown % kLinesPerBatch == 0) {  // a pane batch holds at most 10,000 lines
      pane.end();
      pane.begin();
    }
  }
  pane.end();
  return shown;
}

int run_diff(Context& ctx, const std::vector<std::string>& args) {
  compare::CompareTask task;
  std::string out;
  bool internal = false;
  bool raw = false;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--internal" || a == "--raw") {
      (a == "--raw" ? raw : internal) = true;
    } else if (a == "--set" || a == "--out") {
      if (i + 1 >= args.size()) return usage_error(format(_("{1} needs a value"), {a}));
      const std::string& v = args[++i];
      if (a == "--out") {
        out = to_core(v);
      } else if (std::string err = apply_setting(v, task.settings); !err.empty()) {
        return usage_error(err);
      }
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      return usage_error(format(_("unknown option: {1}"), {a}));
    } else {
      files.push_back(to_core(a));
    }
  }
  if (files.size() != 2) return usage_of(kUsage);
  if (!is_regular_file(files[1])) return failure(format(_("cannot read {1}"), {args.back()}));
  int code = 0;
  auto app = open_core(ctx, code);  // regular expressions come with the core
  if (!app) return code;
  TemporaryFolder temporary;
  if (out.empty()) {
    auto made = make_temporary_folder();
    if (!made) return failure(_("cannot create a temporary folder"));
    temporary.path = *made;
    out = *made;
  } else if (!make_dirs(out)) {
    return failure(format(_("cannot create {1}"), {sjis_to_utf8(out)}));
  }

  task.folder = out;
  task.env.decode = &convert::decode_references;
  const compare::CheckStatus status = compare::compare_files(task, files[0], files[1], out);
  switch (status) {
    case compare::CheckStatus::kChanged:
      break;
    case compare::CheckStatus::kNoChange:
      note(_("no change"));
      return kExitOk;
    case compare::CheckStatus::kInitialized:
      note(_("OLD does not exist: a check would keep NEW as the first text"));
      return kExitOk;
    case compare::CheckStatus::kAreaNotFound:
      note(_("the check area was not found in NEW: a check would report an error"));
      return kExitOk;
    default:
      return failure(format(_("cannot write the result in {1}"), {sjis_to_utf8(out)}));
  }
  TermPane pane(stdout, detect_term_style(stdout, raw), app->options);
  present::DisplayEnv env;
  env.options = &app->options;
  const int added =
      show_file(pane, compare::text_path(out, "add"), task.settings, env, internal, {});
  int deleted = 0;
  if (task.settings.detect_deleted_lines) {
    deleted = show_file(pane, compare::text_path(out, "del"), task.settings, env, internal,
                        KS_SJ("【削除】"));
  }
  note(task.settings.detect_deleted_lines
           ? format(_("changed: {1} line(s) added, {2} deleted"),
                    {std::to_string(added), std::to_string(deleted)})
           : format(_("changed: {1} line(s) added"), {std::to_string(added)}));
  return kExitOk;
}

const Registrar reg{
    {"diff", kUsage, N_("compare two texts as a check would and print the changed lines"),
     &run_diff,
     N_("OLD is taken as the item's previous text and NEW as the freshly converted page\n"
        "(files as an item folder keeps them: Shift_JIS, a header line first). Prints\n"
        "the lines a check would record as added, as a check shows them; with\n"
        "DETECT_DELETED_LINES=1 then \"【削除】\" and the deleted lines. stderr says what\n"
        "the comparison found (no change, changed, no OLD, check area not found).\n"
        "\n"
        "  --set KEY=VALUE  a comparison setting of the item (CHECK_AREA_..., NGWORD0,\n"
        "                   IGNORE_..., DETECT_DELETED_LINES, ...)\n"
        "  --out DIR        also write add.txt (and del.txt) into DIR\n"
        "  --internal       the lines as the files keep them, with their link markup\n"
        "  --raw            Shift_JIS bytes")}};

}  // namespace
}  // namespace ks::cli
