#include "compare/result_record.h"

#include <algorithm>
#include <cstdio>

#include "compare/limits.h"
#include "compare/line_reader.h"
#include "platform/fs.h"
#include "platform/profile.h"
#include "platform/sjis.h"
#include "platform/spare_files.h"

namespace ks::compare {
namespace {

// Decimal value as the profile reader takes it: blanks, an optional '-',
// digits up to the first other byte.
int leading_int(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool neg = false;
  if (i < s.size() && s[i] == '-') {
    neg = true;
    ++i;
  }
  long v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9' && v < 100000; ++i) v = v * 10 + (s[i] - '0');
  return static_cast<int>(neg ? -v : v);
}

// A stored number outside 0..24 names no log file; it counts as 0.
int valid_log_number(int n) {
  return n >= 0 && n < kLogNumbers ? n : 0;
}

bool fits(const std::string& path) {
  return path.size() <= kMaxPath;
}

std::string cut_message(std::string_view m) {
  m = m.substr(0, m.find('\0'));
  return std::string(m.substr(0, std::min(m.size(), kMaxMessage)));
}

}  // namespace

std::string result_path(std::string_view folder) {
  return path_join(folder, "result.db");
}

StoredResult StoredResult::load(std::string_view folder) {
  StoredResult r;
  r.folder_ = std::string(folder);
  const std::string path = result_path(folder);
  r.fits_ = fits(path);
  if (r.fits_) r.bytes_ = read_file(path);
  return r;
}

int StoredResult::current_log_number() {
  if (!fits_) return 0;
  if (bytes_) {
    if (auto v = Profile::parse(*bytes_).get("INDEX", "CURRENT"))
      return valid_log_number(leading_int(*v));
  }
  const int n = read_current_log_number(folder_);
  // Taking index.txt over wrote the file: what follows starts from that.
  bytes_ = read_file(result_path(folder_));
  return n;
}

bool StoredResult::write(int code, std::string_view message, std::optional<int> current,
                         SpareFiles* spares) {
  if (!fits_) return false;
  Profile p = Profile::parse(bytes_ ? std::string_view(*bytes_) : std::string_view());
  const bool had_current = p.get("INDEX", "CURRENT").has_value();
  p.set("RESULT", "CODE", std::to_string(code));
  p.remove_key("RESULT", "MESSAGE");
  p.set("RESULT", "MESSAGE", cut_message(message));
  if (current) p.set("INDEX", "CURRENT", std::to_string(*current));
  std::string text = p.serialize();
  if (bytes_ && *bytes_ == text) return true;
  // The write every finished check that changed something makes: it also
  // takes away what writers killed mid-write left in the item folder.
  remove_stale_temporaries(folder_);
  if (!replace_file(spares, result_path(folder_), text)) return false;
  bytes_ = std::move(text);
  // index.txt is the old home of CURRENT; it can only be there while
  // result.db holds none (taking it over removes it).
  if (current && !had_current) remove_file(path_join(folder_, "index.txt"));
  return true;
}

bool write_result(std::string_view folder, int code, std::string_view message,
                  std::optional<int> current) {
  return StoredResult::load(folder).write(code, message, current);
}

int read_result_code(std::string_view folder) {
  const std::string path = result_path(folder);
  if (!fits(path)) return -1;
  return profile_read_int(path, "RESULT", "CODE", 0);
}

int read_result_code_migrating(std::string_view folder) {
  const std::string path = result_path(folder);
  if (!fits(path)) return -1;
  if (!path_exists(path)) {
    const std::string legacy = path_join(folder, "result.ini");
    if (!fits(legacy) || !path_exists(legacy)) return 0;
    const int code = profile_read_int(legacy, "RESULT", "CODE", 0);
    rename_path(legacy, path);
    return code;
  }
  return profile_read_int(path, "RESULT", "CODE", 0);
}

std::string read_result_message(std::string_view folder) {
  const std::string path = result_path(folder);
  if (!fits(path)) return {};
  return profile_read_string(path, "RESULT", "MESSAGE", "", kMaxMessage + 1);
}

int read_current_log_number(std::string_view folder) {
  const std::string path = result_path(folder);
  if (!fits(path)) return 0;
  if (auto v = Profile::load(path).get("INDEX", "CURRENT"))
    return valid_log_number(leading_int(*v));
  const std::string index = path_join(folder, "index.txt");
  if (!fits(index)) return 0;
  LineReader r(index);
  std::string_view first;
  if (!r.is_open() || !r.next(first)) return 0;
  const int n = valid_log_number(leading_int(first));
  // Taking over the old file is best effort: if it cannot be written now,
  // index.txt stays and is read again next time.
  [[maybe_unused]] const bool migrated = write_current_log_number(folder, n);
  return n;
}

bool write_current_log_number(std::string_view folder, int n) {
  const std::string path = result_path(folder);
  if (!fits(path)) return false;
  const bool ok = profile_write_string(path, "INDEX", "CURRENT", std::to_string(n));
  if (ok) remove_file(path_join(folder, "index.txt"));
  return ok;
}

bool clear_result(std::string_view folder) {
  const std::string path = result_path(folder);
  if (!fits(path)) return false;
  return profile_delete_section(path, "RESULT");
}

int result_code_for_status(store::CheckStatus check_status, bool network_failure) {
  if (network_failure) return kResultNetworkError;
  using store::CheckStatus;
  switch (check_status) {
    case CheckStatus::kNoChange:
      return kResultNoChange;
    case CheckStatus::kChanged:
      return kResultChanged;
    case CheckStatus::kInitialized:
      return kResultFirstCheck;
    case CheckStatus::kHttpError:
      return kResultHttpError;
    case CheckStatus::kNotModified:
      return kResultNotModified;
    case CheckStatus::kAreaNotFound:
      return kResultAreaNotFound;
    case CheckStatus::kSystemError:
      break;
  }
  return kResultSystemError;
}

std::string http_error_message(std::string_view folder) {
  const std::string path = path_join(folder, "htmltmp.txt");
  if (!fits(path)) return KS_SJ("HTTPエラー");
  LineReader r(path);
  std::string_view first;
  if (!r.is_open() || !r.next(first)) return KS_SJ("HTTPエラー");
  return http_error_message_of(first);
}

std::string http_error_message_of(std::string_view response) {
  const std::string& base = KS_SJ("HTTPエラー");
  if (response.empty()) return base;
  // The status line as a 99-byte reader would see it.
  std::string_view first = response.substr(0, response.find('\n'));
  first = first.substr(0, std::min(first.size(), kMaxMessage - 1));
  while (!first.empty() && (first.back() == '\r' || first.back() == '\n')) first.remove_suffix(1);
  // A NUL reads as '?', as the line reader gives it.
  std::string line(first);
  std::replace(line.begin(), line.end(), '\0', '?');
  std::string whole = base + " (" + line + ")";
  if (whole.size() > kMaxMessage) return base;
  return whole;
}

std::string stored_result_text(int code, std::string_view message) {
  switch (code) {
    case kResultNetworkError:
      return message.empty() ? KS_SJ("通信エラー") : std::string(message);
    case kResultHttpError:
      return message.empty() ? KS_SJ("HTTPエラー") : std::string(message);
    case kResultAreaNotFound:
      return KS_SJ("更新確認範囲が見つかりません");
    default:
      return {};
  }
}

std::string finished_result_text(int code, std::string_view message, bool redirect_limit) {
  switch (code) {
    case kResultFirstCheck:
      return KS_SJ("初期化しました。");
    case kResultNoChange:
      return KS_SJ("更新なし");
    case kResultNotModified:
      return KS_SJ("最終更新日に変化なし");
    case kResultNetworkError:
      return std::string(message);
    case kResultHttpError:
      return redirect_limit ? std::string(message) +
                                  KS_SJ("【！】HTTPリダイレクトの最大転送回数を超えました。")
                            : std::string(message);
    case kResultAreaNotFound:
      return KS_SJ("更新確認範囲が見つかりません。");
    case kResultSystemError:
      return KS_SJ("システムエラー");
    default:
      return {};
  }
}

std::optional<std::string> no_change_notice(int code, const NoChangeOptions& options,
                                            std::optional<long long> seconds_since_change) {
  if (!options.nochange_msg) return std::nullopt;
  if (code != kResultNoChange && code != kResultNotModified) return std::nullopt;
  const std::string& text =
      code == kResultNoChange ? KS_SJ("更新なし") : KS_SJ("最終更新日に変化なし");
  if (options.nochange_days == 0 && !options.disp_nochange_time) return text;
  const long long secs =
      seconds_since_change.value_or(0) < 0 ? 0 : seconds_since_change.value_or(0);
  const long long days = secs / 86400;
  if (days < options.nochange_days) return std::nullopt;
  if (!options.disp_nochange_time) return text;
  char buf[64];
  if (days >= 1) {
    std::snprintf(buf, sizeof buf, "%lld", days);
    return std::string(buf) + KS_SJ("日間 ") + text;
  }
  if (secs >= 3600) {
    std::snprintf(buf, sizeof buf, "%lld", secs / 3600);
    return std::string(buf) + KS_SJ("時間 ") + text;
  }
  if (secs >= 60) {
    std::snprintf(buf, sizeof buf, "%lld", secs / 60);
    return std::string(buf) + KS_SJ("分間 ") + text;
  }
  return text;
}

}  // namespace ks::compare
