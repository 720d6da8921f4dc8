// Showing log files and the results of items.
#include <algorithm>
#include <memory>

#include "compare/area_state.h"
#include "compare/line_list.h"
#include "compare/line_reader.h"
#include "compare/log_files.h"
#include "compare/result_record.h"
#include "convert/entities.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "present/display.h"
#include "present/line_display.h"

namespace ks::present {
namespace {

// Lines shown before the status bar reports progress, and how often.
constexpr int kProgressFrom = 100;
constexpr int kProgressEvery = 10;

bool aborted(const DisplayEnv& env) {
  return env.abort && env.abort->load(std::memory_order_relaxed);
}

void status(const DisplayEnv& env, std::string_view text) {
  if (env.status) env.status(text);
}

int max_disp_line(const app_options::Options& o) {
  return (o.max_disp_line >= 1 && o.max_disp_line <= 2000) ? o.max_disp_line : 100;
}

// The date of a "Last-Modified:" line, when it parses.
std::optional<int64_t> last_modified_date(std::string_view line) {
  constexpr std::size_t kPrefix = 14;  // "Last-Modified:"
  return compare::parse_http_date(line.substr(std::min(kPrefix, line.size())));
}

int64_t now_of(const DisplayEnv& env) {
  return env.now ? env.now() : static_cast<int64_t>(std::time(nullptr));
}

}  // namespace

int show_log_file(Pane& pane, std::string_view path, bool whole_page,
                  const store::PageSettings& item, bool deleted, const DisplayEnv& env) {
  const app_options::Options& o = *env.options;
  compare::LineReader reader(path);
  if (!reader.is_open()) return 0;
  std::optional<int64_t> head_time = file_mtime(path);
  pane.begin();
  std::unique_ptr<compare::AreaState> areas;
  if (whole_page) {
    areas = std::make_unique<compare::AreaState>(
        item, env.regex ? *env.regex : compare::RegexLibrary::shared(),
        &convert::decode_references);
  }
  const LineStyle style = result_line_style(item, o, whole_page);
  const int limit = max_disp_line(o);
  int shown = 0;
  bool first = true;
  bool inside = true;
  std::string_view line;
  while (!aborted(env) && reader.next(line)) {
    if (first) {
      first = false;
      if (compare::is_last_modified_line(line)) {
        if (!o.disp_check_date) {
          if (auto date = last_modified_date(line)) head_time = date;
        }
        continue;
      }
      if (whole_page) continue;  // the header line of a whole text, empty or not
    }
    if (!whole_page && shown > limit) {
      pane.write_text(KS_SJ("\n【！】違いが大きすぎます。( "));
      write_item_name_link(pane, item);
      pane.write_text(" )\n");
      break;
    }
    if (shown == 0) {
      pane.headlines().add(HeadlineKind::kItem, pane.current_line());
      if (deleted) pane.write_text(KS_SJ("【削除】"));
      write_headline(pane, item, head_time, env);
    }
    ++shown;
    if (shown >= kProgressFrom && shown % kProgressEvery == 0) {
      status(env, KS_SJ("表示中(") + std::to_string(shown) + KS_SJ("行)..."));
    }
    if (areas) {
      // The scanner sees non-empty lines only; an empty line keeps the look
      // of the line before it.
      if (!line.empty()) inside = areas->feed(line);
      pane.set_text_kind(inside ? TextKind::kNormal : TextKind::kDimmed);
    }
    write_display_line(pane, line, style);
  }
  if (areas) pane.set_text_kind(TextKind::kNormal);
  if (shown > 0) pane.write_text("\n");
  if (o.use_highlight) highlight_keywords(pane, o);
  pane.end();
  if (shown >= kProgressFrom) status(env, "");
  return shown;
}

void show_item_result(Pane& pane, std::string_view folder, int log_index, bool whole_page,
                      const store::PageSettings& item, const DisplayEnv& env) {
  if (whole_page) {
    std::string path = compare::text_path(folder, "new");
    if (!is_regular_file(path)) {
      path = compare::numbered_log_path(folder, "log", std::max(0, log_index));
    }
    show_log_file(pane, path, true, item, false, env);
    return;
  }
  auto path_of = [&](std::string_view kind) {
    return log_index < 0 ? compare::text_path(folder, kind)
                         : compare::numbered_log_path(folder, kind, log_index);
  };
  show_log_file(pane, path_of("add"), false, item, false, env);
  if (item.detect_deleted_lines) show_log_file(pane, path_of("del"), false, item, true, env);
}

void show_stored_result(Pane& pane, std::string_view folder, const store::PageSettings& item,
                        int count, const DisplayEnv& env) {
  const app_options::Options& o = *env.options;
  const int code = compare::read_result_code(folder);
  if (code == compare::kResultNoChange || code == compare::kResultNotModified) {
    const compare::NoChangeOptions nc{o.nochange_msg != 0, o.nochange_days,
                                      o.disp_nochange_time != 0};
    if (auto text = compare::no_change_notice(
            code, nc,
            compare::seconds_since_change(folder, compare::read_current_log_number(folder),
                                          now_of(env)))) {
      pane.begin();
      write_item_notice(pane, item, *text);
      pane.end();
    }
  } else if (compare::is_error_code(code)) {
    const std::string text =
        compare::stored_result_text(code, compare::read_result_message(folder));
    if (!text.empty()) {
      pane.begin();
      write_error_line(pane, item, text);
      pane.end();
    }
  }
  if (count <= 0) count = code == compare::kResultChanged ? 1 : 0;
  int n = compare::read_current_log_number(folder);
  for (int k = 0; k < count && !aborted(env); ++k) {
    show_item_result(pane, folder, n, false, item, env);
    n = compare::log_number_add(n, -1);
  }
}

void show_item_outcome(Pane& change, Pane& message, const store::PageSettings& item,
                       const ItemOutcome& outcome, const DisplayEnv& env) {
  const int code = outcome.result_code;
  if (code == compare::kResultChanged) {
    show_item_result(change, item.folder_path, outcome.lines_log, false, item, env);
    return;
  }
  if ((code == compare::kResultNoChange || code == compare::kResultNotModified) &&
      !env.options->nochange_msg) {
    return;
  }
  Pane& pane = code == compare::kResultFirstCheck ? change : message;
  pane.begin();
  if (compare::is_error_code(code)) {
    // The redirect notice stands on a line of its own below the error.
    write_error_line(pane, item, compare::finished_result_text(code, outcome.message, false));
    if (code == compare::kResultHttpError && outcome.redirect_limit) {
      write_notice_line(pane, KS_SJ("【！】HTTPリダイレクトの最大転送回数を超えました。"));
    }
  } else {
    const std::string text = compare::finished_result_text(code, outcome.message, false);
    if (!text.empty()) write_item_notice(pane, item, text);
  }
  pane.end();
}

void show_redirect_notice(Pane& pane, const store::PageSettings& item,
                          std::string_view http_message, std::string_view target,
                          const DisplayEnv& env) {
  (void)env;
  pane.begin();
  write_error_line(pane, item, http_message);
  pane.write_text(KS_SJ("転送 --> "));
  pane.write_link(target, target, {item.node_id, item.browser_number, false});
  pane.write_text("\n");
  pane.end();
}

void highlight_keywords(Pane& pane, const app_options::Options& options) {
  KeywordTable& table = pane.keywords();
  for (int slot = 0; slot < app_options::kHighlightCount; ++slot) {
    const std::string& word = options.highlights[static_cast<std::size_t>(slot)];
    if (word.empty()) continue;
    std::size_t from = 0;
    while (auto hit = pane.find(word, from)) {
      // A pane shown again is searched again from its start: each range is
      // recorded once.
      const std::size_t end = *hit + word.size();
      const auto& r = table.ranges();
      const bool known = std::any_of(r.begin(), r.end(), [&](const KeywordRange& k) {
        return k.start == *hit && k.end == end;
      });
      if (!known) table.add(*hit, end);
      pane.mark_highlight(*hit, end, slot < 10 ? 0 : 1);
      from = *hit + 1;
    }
  }
  table.sort();
}

}  // namespace ks::present
