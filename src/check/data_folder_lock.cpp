#include "check/data_folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fs.h"

namespace ks::check {

DataFolderLock::~DataFolderLock() {
  release();
}

DataFolderLock::Result DataFolderLock::acquire(std::string_view base_folder) {
  release();
  const std::string os = to_os_path(std::string(base_folder) + std::string(kRunLockFile));
  const int fd = ::open(os.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return Result::kFailed;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    ::close(fd);
    return err == EWOULDBLOCK ? Result::kBusy : Result::kFailed;
  }
  fd_ = fd;
  return Result::kLocked;
}

void DataFolderLock::release() {
  if (fd_ < 0) return;
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
}

}  // namespace ks::check
