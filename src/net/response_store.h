// Where a transfer puts the response as it arrives. With a memory buffer
// the bytes stay in memory while the whole response fits in its limit, and
// the response file (the item's htmltmp.txt) is made only when it grows
// beyond: a small answer (a 304, an error page, most pages) costs no file at
// all, and a large one is never held whole. Without a buffer every byte goes
// to the file, which is made at once.
//
// One store per transfer, on the transfer's thread. The memory buffer
// belongs to the caller (a worker reuses one from item to item); the store
// empties it first.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace ks::net {

class ResponseStore {
 public:
  // `memory` may be null (file only).
  ResponseStore(std::string path, std::string* memory, std::size_t memory_limit);
  ~ResponseStore();
  ResponseStore(const ResponseStore&) = delete;
  ResponseStore& operator=(const ResponseStore&) = delete;

  // False when the file had to be made at once and could not be.
  bool ready() const { return memory_ != nullptr || file_ != nullptr; }

  enum class Append { kOk, kCreateFailed, kWriteFailed };
  Append append(const char* data, std::size_t n);
  // Flushes and closes the file; false when a write or the close failed.
  bool close();
  // The response is (so far) all in the caller's memory buffer.
  bool in_memory() const { return memory_ != nullptr && !spilled_; }

 private:
  Append spill();

  std::string path_;
  std::string* memory_;
  std::size_t limit_;
  std::FILE* file_ = nullptr;
  bool spilled_ = false;
  bool failed_ = false;
};

}  // namespace ks::net
