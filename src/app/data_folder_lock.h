// One process changes a data folder at a time: an exclusive advisory lock
// on a lock file in the base folder, held for the life of the object and
// dropped by the system when the process ends, however it ends (a crash
// never leaves a stale lock). The holder writes its process id and what it
// is ("check", "desktop app", ...) into the file, so a process that finds
// the folder busy can say who has it. Readers never take the lock.
#pragma once

#include <sys/types.h>
#include <string>
#include <string_view>

namespace ks::app {

inline constexpr std::string_view kDataFolderLockFile = "kestrelscan.lock";

struct LockHolder {
  pid_t pid = 0;     // 0 when the file did not say
  std::string what;  // as the holder wrote it (UTF-8)
};

class DataFolderLock {
 public:
  DataFolderLock() = default;
  ~DataFolderLock();
  DataFolderLock(const DataFolderLock&) = delete;
  DataFolderLock& operator=(const DataFolderLock&) = delete;

  enum class Result { kLocked, kBusy, kFailed };
  // Takes the lock for the base folder (ends in '/') and records `what`;
  // kBusy when another process holds it, kFailed when the lock file cannot
  // be opened.
  Result acquire(std::string_view base_folder, std::string_view what);
  void release();
  bool held() const { return fd_ >= 0; }

  // Who holds the lock of `base_folder`, as the holder recorded it.
  static LockHolder holder(std::string_view base_folder);

 private:
  int fd_ = -1;
};

// "a check (process 1234)"-style text for messages (UTF-8).
std::string describe_holder(const LockHolder& holder);

}  // namespace ks::app
