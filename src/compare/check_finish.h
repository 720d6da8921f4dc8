// The end of one item's check, in two steps so that the item can be shown
// between them, while its add.txt and del.txt are still in place:
//   decide_result()  the one place that turns a finished check into its
//                    result code and message (and the tree marks);
//   record_result()  the result record is written, OPTION_CHANGED is cleared
//                    and the logs rotate (or this check's response is
//                    removed).
// Also the commands that clear stored results and errors of an item or a
// subtree.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "compare/result_record.h"
#include "store/check_status.h"

namespace ks::compare {

using store::CheckStatus;

struct FinishInput {
  std::string folder;  // the item folder
  CheckStatus check_status = CheckStatus::kNoChange;
  bool network_failure = false;
  std::string network_message;  // the fetcher's text for a network failure
  bool option_changed = false;  // the item's OPTION_CHANGED
  int log_number = 0;           // stored by the comparison step
  int use_old_log = 1;          // the item's USE_OLD_LOG
  int n_reload = 3;             // global N_RELOAD
  // The item's DETECT_DELETED_LINES: a change wrote del<n>.txt as well as
  // add<n>.txt of the next log number.
  bool detect_deleted = false;
  // This check's response when the fetch kept it in memory; null: it is in
  // htmltmp.txt (or there is none).
  const std::string* response = nullptr;
  // result.db as read for this check; null: read by record_result().
  StoredResult* stored = nullptr;
  // Files are replaced and removed through this pool when given.
  SpareFiles* spares = nullptr;
};

struct ResultDecision {
  int code = 0;
  std::string message;        // the network message (4), the HTTP error message (5)
  bool updated_mark = false;  // code 3
  bool error_mark = false;    // codes 4..7
};

struct FinishOutcome {
  int code = 0;
  std::string message;
  bool updated_mark = false;  // code 3
  bool error_mark = false;    // codes 4..7
  bool option_cleared = false;
  bool rotated = false;
  int log_number = 0;  // current log number afterwards
  // False when a file could not be written: the result record, the cleared
  // OPTION_CHANGED or a rotated log. What was there before stays the
  // baseline of the next check.
  bool written = true;
};

ResultDecision decide_result(const FinishInput& in);
[[nodiscard]] FinishOutcome record_result(const FinishInput& in, const ResultDecision& decision);
// Both steps at once (nothing is shown in between).
[[nodiscard]] FinishOutcome finish_check(const FinishInput& in);

// Clears the result of the item or template at `folder`, or of every item and
// template below a group folder. With `errors_only` only results whose code
// marks an error are cleared. `on_item` gets each cleared folder (for the
// node marks) and `progress` each visited item's folder name.
void clear_results(std::string_view folder, bool errors_only,
                   const std::function<void(std::string_view folder)>& on_item = {},
                   const std::function<void(std::string_view name)>& progress = {});

}  // namespace ks::compare
