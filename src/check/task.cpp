#include "check/task.h"

#include <array>

#include "platform/sjis.h"

namespace ks::check {

const std::string& task_state_name(TaskState state) {
  static const std::array<std::string, 9> names = {
      KS_SJ("アイドル"), KS_SJ("IPアドレス取得待ち"), KS_SJ("IPアドレス取得中"), KS_SJ("通信待ち"),
      KS_SJ("通信中"),   KS_SJ("変換待ち"),           KS_SJ("変換中"),           KS_SJ("表示中"),
      KS_SJ("表示完了"),
  };
  return names[static_cast<std::size_t>(state)];
}

void TaskTable::clear() {
  for (Slot& s : slots_) {
    std::lock_guard lock(s.mutex);
    s.record = TaskRecord{};
    s.progress.received_bytes = 0;
    s.progress.elapsed_seconds = 0;
    s.progress.tls_error = 0;
  }
}

TaskRecord TaskTable::snapshot(int slot) const {
  if (slot < 0 || slot >= kMaxWorkers) return {};
  const Slot& s = slots_[static_cast<std::size_t>(slot)];
  std::lock_guard lock(s.mutex);
  TaskRecord copy = s.record;
  if (copy.state == TaskState::kTransfer) {
    copy.received_bytes = s.progress.received_bytes.load(std::memory_order_relaxed);
    copy.elapsed_seconds = s.progress.elapsed_seconds.load(std::memory_order_relaxed);
  }
  return copy;
}

TaskState TaskTable::state(int slot) const {
  if (slot < 0 || slot >= kMaxWorkers) return TaskState::kIdle;
  const Slot& s = slots_[static_cast<std::size_t>(slot)];
  std::lock_guard lock(s.mutex);
  return s.record.state;
}

void TaskTable::publish(int slot, const TaskRecord& record) {
  if (slot < 0 || slot >= kMaxWorkers) return;
  Slot& s = slots_[static_cast<std::size_t>(slot)];
  std::lock_guard lock(s.mutex);
  s.record = record;
}

void TaskTable::set_state(int slot, TaskState state) {
  if (slot < 0 || slot >= kMaxWorkers) return;
  Slot& s = slots_[static_cast<std::size_t>(slot)];
  std::lock_guard lock(s.mutex);
  s.record.state = state;
}

net::TransferProgress& TaskTable::progress(int slot) {
  static net::TransferProgress none;  // out-of-range slots: counted, never read
  if (slot < 0 || slot >= kMaxWorkers) return none;
  return slots_[static_cast<std::size_t>(slot)].progress;
}

}  // namespace ks::check
