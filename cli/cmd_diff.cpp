// diff [--set KEY=VALUE...] [--out DIR] OLD NEW: runs an item's comparison on
// two texts, OLD as the previous log and NEW as the freshly converted page,
// under the given item settings. add.txt (and del.txt with
// DETECT_DELETED_LINES=1) go to DIR, by default a new temporary folder whose
// name is printed; the last line printed is the check status as a number and
// a word. Texts are files as stored (Shift_JIS, a header line first).
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app_context.h"
#include "command.h"
#include "compare/compare_step.h"
#include "compare/regex.h"
#include "convert/entities.h"
#include "platform/fs.h"
#include "store/page_settings.h"
#include "store/setting_keys.h"

namespace ks::cli {
namespace {

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
  if (eq == std::string_view::npos || eq == 0) return "expected KEY=VALUE: " + std::string(pair);
  const std::string_view name = pair.substr(0, eq);
  const store::SettingKey* key = compare_reads(name) ? store::find_page_setting_key(name) : nullptr;
  if (!key) return "the comparison does not read " + std::string(name);
  const std::string value = to_core(pair.substr(eq + 1));
  switch (store::set_setting_text(*key, rec, value)) {
    case store::SetStatus::kOk:
      return {};
    case store::SetStatus::kNotANumber:
      return std::string(name) + " takes a whole number";
    case store::SetStatus::kOutOfRange:
      return std::string(name) + " must be between " + std::to_string(key->min) + " and " +
             std::to_string(key->max);
    case store::SetStatus::kTooLong:
      return std::string(name) + " takes at most " + std::to_string(key->capacity - 1) + " bytes";
    case store::SetStatus::kLineBreak:
      return std::string(name) + " cannot hold a line break or NUL";
  }
  return {};
}

const char* status_word(compare::CheckStatus status) {
  switch (status) {
    case compare::CheckStatus::kNoChange:
      return "no-change";
    case compare::CheckStatus::kChanged:
      return "changed";
    case compare::CheckStatus::kInitialized:
      return "no-previous-log";
    case compare::CheckStatus::kAreaNotFound:
      return "area-not-found";
    default:
      return "unknown";
  }
}

int run_diff(Context& ctx, const std::vector<std::string>& args) {
  compare::CompareTask task;
  std::string out;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--set" || a == "--out") {
      if (i + 1 >= args.size()) return usage_error(a + " needs a value");
      const std::string& v = args[++i];
      if (a == "--out") {
        out = to_core(v);
      } else if (std::string err = apply_setting(v, task.settings); !err.empty()) {
        return usage_error(err);
      }
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      return usage_error("unknown option: " + a);
    } else {
      files.push_back(to_core(a));
    }
  }
  if (files.size() != 2) return usage_error("usage: diff [--set KEY=VALUE...] [--out DIR] OLD NEW");
  if (!is_regular_file(files[1])) return failure("cannot read " + args.back());
  int code = 0;
  auto app = open_core(ctx, code);  // regular expressions come with the core
  if (!app) return code;
  const bool temporary = out.empty();
  if (temporary) {
    char tmpl[] = "/tmp/kestrelscan-diff-XXXXXX";
    if (!mkdtemp(tmpl)) return failure("cannot create a temporary folder");
    out = *from_os_name(tmpl);
  } else if (!make_dirs(out)) {
    return failure("cannot create " + out);
  }

  task.folder = out;
  task.env.decode = &convert::decode_references;
  const compare::CheckStatus status = compare::compare_files(task, files[0], files[1], out);
  if (temporary) {
    std::fputs("output: ", stdout);
    print_line(out);
  }
  std::printf("%d %s\n", static_cast<int>(status), status_word(status));
  return kExitOk;
}

const Registrar reg{{"diff", "diff [--set KEY=VALUE...] [--out DIR] OLD NEW",
                     "compare two texts under item settings; writes add.txt/del.txt", &run_diff}};

}  // namespace
}  // namespace ks::cli
