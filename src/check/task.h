// The task table: one record per worker slot (32), describing the item a
// worker carries and how far it got. A worker owns its slot's record and is
// the only writer; any thread (the task monitor, a front end) may take a
// consistent copy of a slot at any time through TaskTable::snapshot().
// The received bytes and elapsed seconds of a transfer change many times a
// second, so each slot also has live counters that the transfer updates
// itself; a snapshot taken during the transfer reads them.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string>

#include "net/transfer.h"
#include "store/check_status.h"
#include "store/page_settings.h"

namespace ks::check {

inline constexpr int kMaxWorkers = 32;

// What a worker is doing, in the order an item goes through them.
enum class TaskState : int {
  kIdle = 0,
  kLookupWait = 1,
  kLookup = 2,
  kConnectWait = 3,
  kTransfer = 4,
  kConvertWait = 5,  // kept for the monitor's table; the pipeline never enters it
  kConvert = 6,
  kDisplay = 7,
  kDisplayed = 8,
};

// The monitor's name of a state (Shift_JIS).
const std::string& task_state_name(TaskState state);

// The redirect overflow mark set when the hop limit of 10 was reached.
inline constexpr int kRedirectOverflowMark = 10;

struct TaskRecord {
  store::PageSettings settings;  // the item's settings; settings.node_id is its tree node
  store::CheckStatus stage_outcome = store::CheckStatus::kNoChange;  // of conversion, comparison
  std::string current_url;         // the URL being fetched (item URL, then redirect target)
  uint32_t address = 0xFFFFFFFFu;  // server or proxy, network byte order; all ones: unknown
  uint16_t port = 0;
  std::string host;  // ASCII form
  std::string request_path;
  bool conditional = false;  // the request carries If-Modified-Since
  std::string last_modified;
  bool secure = false;
  int result_code = 0;
  std::string message;
  int64_t received_bytes = 0;
  TaskState state = TaskState::kIdle;
  int elapsed_seconds = 0;
  int attempt = 0;
  int net_error = 0;
  int tls_error = 0;
  std::string redirect_target;
  int redirect_overflow = 0;
  int http_status = 0;
  bool redirected = false;
  // The log number whose add<n>.txt and del<n>.txt hold this check's added
  // and deleted lines (written by the comparison); -1 before a comparison.
  int lines_log = -1;
};

class TaskTable {
 public:
  // Clears every slot to idle (run start).
  void clear();
  // A copy of one slot as last published by its worker.
  TaskRecord snapshot(int slot) const;
  // Only the state of one slot (cheap; for progress displays).
  TaskState state(int slot) const;
  // The worker publishes its working record.
  void publish(int slot, const TaskRecord& record);
  void set_state(int slot, TaskState state);
  // The live counters of the slot's transfer (given to the fetch method).
  net::TransferProgress& progress(int slot);

 private:
  struct Slot {
    mutable std::mutex mutex;
    TaskRecord record;
    net::TransferProgress progress;
  };
  std::array<Slot, kMaxWorkers> slots_;
};

}  // namespace ks::check
