// One settings sheet at a time. The page settings sheet (and the group sheet,
// whose bulk change writes items' settings) takes the lock without waiting
// before it opens and gives it back when it has closed; when the lock is
// taken the sheet does not open. A check run is not started while the lock
// is held, and no sheet opens during a run, so a sheet and a check never
// change an item at the same time. Process-wide; UI thread.
#pragma once

#include <optional>

namespace ks::gui {

class SheetLock {
 public:
  // The lock, or nullopt when a sheet holds it already.
  static std::optional<SheetLock> try_take();
  // Whether a sheet holds the lock now.
  static bool held();

  SheetLock(SheetLock&& other) noexcept : owns_(other.owns_) { other.owns_ = false; }
  SheetLock& operator=(SheetLock&&) = delete;
  SheetLock(const SheetLock&) = delete;
  ~SheetLock();

 private:
  SheetLock() : owns_(true) {}
  bool owns_;
};

}  // namespace ks::gui
