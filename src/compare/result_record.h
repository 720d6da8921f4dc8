// The check result record result.db of an item (or template) folder:
//   [RESULT] CODE     result code of the last check (absent: 0)
//   [RESULT] MESSAGE  message for codes 4 and 5, at most 99 bytes
//   [INDEX]  CURRENT  current log number 0..24
// Older folders may hold result.ini (read once and renamed to result.db) and
// index.txt (the current log number on its first line; taken over into
// CURRENT and removed). A folder path too long for the stored format makes
// every operation a no-op. Callers serialise access per item (one thread
// finishes an item at a time).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/spare_files.h"
#include "store/check_status.h"

namespace ks::compare {

// Stored result codes.
enum ResultCode : int {
  kResultFirstCheck = 0,
  kResultNoChange = 1,
  kResultNotModified = 2,
  kResultChanged = 3,
  kResultNetworkError = 4,
  kResultHttpError = 5,
  kResultAreaNotFound = 6,
  kResultSystemError = 7,
};

std::string result_path(std::string_view folder);

// result.db of one item, read once for the end of its check: the current log
// number comes from these bytes, and the write that follows starts from them
// and is left out when it would store the same bytes again (a check that
// ends as the one before it did changes nothing on disk).
class StoredResult {
 public:
  static StoredResult load(std::string_view folder);
  // [INDEX] CURRENT; without it, index.txt is taken over as
  // read_current_log_number() does. 0 when neither holds one.
  int current_log_number();
  // As write_result(), from the bytes read; false when the file cannot be
  // written (the earlier values stay).
  [[nodiscard]] bool write(int code, std::string_view message,
                           std::optional<int> current = std::nullopt, SpareFiles* spares = nullptr);

 private:
  std::string folder_;
  bool fits_ = false;                 // the path fits the stored format
  std::optional<std::string> bytes_;  // nullopt: no file
};

// Writes CODE and MESSAGE (MESSAGE replaced, possibly empty) and, with
// `current`, [INDEX] CURRENT, in one replacement of the file; false when the
// file cannot be written (the earlier values stay). index.txt goes once
// CURRENT is written where there was none. A write also removes the
// temporaries that writers killed mid-write left in the item folder
// (remove_stale_temporaries); a write left out because the bytes are the
// same leaves them for the next one.
[[nodiscard]] bool write_result(std::string_view folder, int code, std::string_view message,
                                std::optional<int> current = std::nullopt);
// CODE (0 when absent), or -1 when the path does not fit.
int read_result_code(std::string_view folder);
// As read_result_code, taking over a legacy result.ini when result.db is missing.
int read_result_code_migrating(std::string_view folder);
std::string read_result_message(std::string_view folder);
// [INDEX] CURRENT, falling back to (and migrating) index.txt; 0 when neither.
int read_current_log_number(std::string_view folder);
[[nodiscard]] bool write_current_log_number(std::string_view folder, int n);
// Removes the whole RESULT section (INDEX stays).
bool clear_result(std::string_view folder);

// Check status -> stored result code; `network_failure` wins over any status.
int result_code_for_status(store::CheckStatus check_status, bool network_failure);
// "HTTPエラー (status line)" from htmltmp.txt, or "HTTPエラー" alone.
std::string http_error_message(std::string_view folder);
// The same from a response held in memory.
std::string http_error_message_of(std::string_view response);

// Codes 4..7 mark a node as in error, code 3 as updated.
inline bool is_error_code(int code) {
  return code >= 4 && code <= 7;
}

// The text shown for a stored result code (Shift_JIS), empty for codes that
// show nothing or show lines instead: 0, 3, 7, and 1/2 (the no-change notice).
std::string stored_result_text(int code, std::string_view message);
// The text shown at the end of a check for codes other than 3.
std::string finished_result_text(int code, std::string_view message, bool redirect_limit);

// The no-change notice for codes 1 and 2. `text` is "更新なし" or
// "最終更新日に変化なし"; `seconds_since_change` is the age of the current
// log's last-modified time (nullopt when unknown). nullopt: show nothing.
struct NoChangeOptions {
  bool nochange_msg = true;
  long nochange_days = 0;
  bool disp_nochange_time = false;
};
std::optional<std::string> no_change_notice(int code, const NoChangeOptions& options,
                                            std::optional<long long> seconds_since_change);

}  // namespace ks::compare
