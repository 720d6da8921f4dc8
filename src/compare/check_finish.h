// The end of one item's check: the result record is written, the caller is
// told which marks the item's tree node gets, OPTION_CHANGED is cleared and
// the logs rotate (or this check's response is removed). Also the commands
// that clear stored results and errors of an item or a subtree.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace ks::compare {

struct FinishInput {
  std::string folder;  // the item folder
  int check_status = 0;
  bool network_failure = false;
  std::string network_message;  // the fetcher's text for a network failure
  bool option_changed = false;  // the item's OPTION_CHANGED
  int log_number = 0;           // stored by the comparison step
  int use_old_log = 1;          // the item's USE_OLD_LOG
  int n_reload = 3;             // global N_RELOAD
};

struct FinishOutcome {
  int code = 0;
  std::string message;
  bool updated_mark = false;  // code 3
  bool error_mark = false;    // codes 4..7
  bool option_cleared = false;
  bool rotated = false;
  int log_number = 0;  // current log number afterwards
};

FinishOutcome finish_check(const FinishInput& in);

// Clears the result of the item or template at `folder`, or of every item and
// template below a group folder. With `errors_only` only results whose code
// marks an error are cleared. `on_item` gets each cleared folder (for the
// node marks) and `progress` each visited item's folder name.
void clear_results(std::string_view folder, bool errors_only,
                   const std::function<void(std::string_view folder)>& on_item = {},
                   const std::function<void(std::string_view name)>& progress = {});

}  // namespace ks::compare
