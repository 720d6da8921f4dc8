// Keeps two processes from running checks over the same data folder at
// once: an exclusive advisory lock on a lock file in the base folder, held
// for the life of the object and dropped by the system when the process
// ends, however it ends (so a crash never leaves a stale lock).
#pragma once

#include <string>
#include <string_view>

namespace ks::check {

inline constexpr std::string_view kRunLockFile = "check.lock";

class DataFolderLock {
 public:
  DataFolderLock() = default;
  ~DataFolderLock();
  DataFolderLock(const DataFolderLock&) = delete;
  DataFolderLock& operator=(const DataFolderLock&) = delete;

  enum class Result { kLocked, kBusy, kFailed };
  // Takes the lock for the base folder (ends in '/'); kBusy when another
  // process holds it, kFailed when the lock file cannot be opened.
  Result acquire(std::string_view base_folder);
  void release();
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace ks::check
