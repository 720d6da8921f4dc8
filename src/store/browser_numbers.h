// Browser numbers: items that open their links with the same program share
// one small number for the whole run, so a link the viewer lists can carry
// it. A ring of at most 50 (path, number) entries; paths compare with exact
// case; a new path takes the next number of a counter that starts at 1 and
// replaces the oldest entry once the ring is full. Thread-safe.
#pragma once

#include <array>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

namespace ks::store {

inline constexpr std::size_t kBrowserTableSize = 50;

class BrowserNumbers {
 public:
  int number_for(std::string_view program_path);
  // The program of a number, "" when it has left the ring.
  std::string program_for(int number) const;

 private:
  struct Entry {
    std::string path;
    int number = 0;
  };
  mutable std::mutex mu_;
  std::array<Entry, kBrowserTableSize> ring_;  // guarded by mu_
  std::size_t count_ = 0;                      // guarded by mu_
  std::size_t next_pos_ = 0;                   // guarded by mu_
  int next_number_ = 1;                        // guarded by mu_
};

// The run-wide table.
BrowserNumbers& browser_numbers();

}  // namespace ks::store
