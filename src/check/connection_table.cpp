#include "check/connection_table.h"

#include <algorithm>
#include <chrono>

namespace ks::check {

void WakeEvent::set() {
  {
    std::lock_guard lock(mutex_);
    set_ = true;
  }
  cv_.notify_one();
}

void WakeEvent::wait() {
  std::unique_lock lock(mutex_);
  cv_.wait(lock, [this] { return set_; });
  set_ = false;
}

bool WakeEvent::wait_for(int ms) {
  std::unique_lock lock(mutex_);
  if (!cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return set_; })) return false;
  set_ = false;
  return true;
}

void ConnectionTable::reset(int max_connection) {
  std::lock_guard lock(mutex_);
  entries_.clear();
  max_connection_ = std::clamp(max_connection, 1, 32);
  peak_ = 0;
}

int ConnectionTable::admitted_count() const {
  return static_cast<int>(
      std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return e.admitted; }));
}

void ConnectionTable::enter(int slot, uint32_t address, WakeEvent& wake) {
  {
    std::lock_guard lock(mutex_);
    int same = 0;
    int admitted = 0;
    for (const Entry& e : entries_) {
      if (e.address == address) ++same;
      if (e.admitted) ++admitted;
    }
    Entry entry{false, slot, address, &wake};
    if (same < kMaxPerAddress && admitted < max_connection_) {
      entry.admitted = true;
      wake.set();
    }
    entries_.push_back(entry);
    peak_ = std::max(peak_, admitted_count());
  }
  wake.wait();
}

void ConnectionTable::leave(int slot, uint32_t address) {
  std::lock_guard lock(mutex_);
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [&](const Entry& e) { return e.address == address && e.slot == slot; });
  if (it != entries_.end()) entries_.erase(it);
  // The total limit needs no test here: one transfer has just ended.
  for (Entry& e : entries_) {
    if (e.admitted) continue;
    const auto sharing = std::count_if(entries_.begin(), entries_.end(), [&](const Entry& o) {
      return o.admitted && o.address == e.address;
    });
    if (sharing < kMaxPerAddress && admitted_count() < max_connection_) {
      e.admitted = true;
      e.wake->set();
      break;
    }
  }
  peak_ = std::max(peak_, admitted_count());
}

int ConnectionTable::peak_admitted() const {
  std::lock_guard lock(mutex_);
  return peak_;
}

}  // namespace ks::check
