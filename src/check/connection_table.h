// Admission of transfers: at most MAX_CONNECTION transfers at once, at most
// six to one address. A worker registers before fetching and waits until
// it is admitted; leaving admits at most one waiting entry (the first in
// order that fits), so admissions happen one at a time as transfers end.
// Thread-safe.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace ks::check {

inline constexpr int kMaxPerAddress = 6;

// An auto-reset event: set() wakes one wait() (or the next one to come).
class WakeEvent {
 public:
  void set();
  void wait();
  // Waits at most `ms`; true when the event was set.
  bool wait_for(int ms);

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool set_ = false;
};

class ConnectionTable {
 public:
  void reset(int max_connection);
  // Registers `slot` for `address` and waits until admitted.
  void enter(int slot, uint32_t address, WakeEvent& wake);
  // Removes the slot's entry and admits the first waiting entry that fits.
  void leave(int slot, uint32_t address);

  // The most transfers admitted at once since reset (diagnostics, tests).
  int peak_admitted() const;

 private:
  struct Entry {
    bool admitted = false;
    int slot = 0;
    uint32_t address = 0;
    WakeEvent* wake = nullptr;
  };
  int admitted_count() const;

  mutable std::mutex mutex_;  // the stage lock of the table
  std::vector<Entry> entries_;
  int max_connection_ = 4;
  int peak_ = 0;
};

}  // namespace ks::check
