#include "gui/dialogs/sheet_lock.h"

#include <atomic>

namespace ks::gui {
namespace {

std::atomic<bool> g_taken{false};

}  // namespace

std::optional<SheetLock> SheetLock::try_take() {
  bool expected = false;
  if (!g_taken.compare_exchange_strong(expected, true)) return std::nullopt;
  return SheetLock();
}

bool SheetLock::held() {
  return g_taken.load();
}

SheetLock::~SheetLock() {
  if (owns_) g_taken.store(false);
}

}  // namespace ks::gui
