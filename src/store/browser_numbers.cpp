#include "store/browser_numbers.h"

namespace ks::store {

int BrowserNumbers::number_for(std::string_view program_path) {
  std::lock_guard<std::mutex> lock(mu_);
  for (std::size_t i = 0; i < count_; ++i) {
    if (ring_[i].path == program_path) return ring_[i].number;
  }
  Entry& e = ring_[next_pos_];
  e.path.assign(program_path);
  e.number = next_number_++;
  next_pos_ = (next_pos_ + 1) % kBrowserTableSize;
  if (count_ < kBrowserTableSize) ++count_;
  return e.number;
}

std::string BrowserNumbers::program_for(int number) const {
  std::lock_guard<std::mutex> lock(mu_);
  for (std::size_t i = 0; i < count_; ++i) {
    if (ring_[i].number == number) return ring_[i].path;
  }
  return {};
}

BrowserNumbers& browser_numbers() {
  static BrowserNumbers table;
  return table;
}

}  // namespace ks::store
