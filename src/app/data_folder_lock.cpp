#include "app/data_folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>

#include "platform/fs.h"

namespace ks::app {
namespace {

std::string lock_path(std::string_view base_folder) {
  return to_os_path(std::string(base_folder) + std::string(kDataFolderLockFile));
}

}  // namespace

DataFolderLock::~DataFolderLock() {
  release();
}

DataFolderLock::Result DataFolderLock::acquire(std::string_view base_folder,
                                               std::string_view what) {
  release();
  const std::string os = lock_path(base_folder);
  const int fd = ::open(os.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return Result::kFailed;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    ::close(fd);
    return err == EWOULDBLOCK ? Result::kBusy : Result::kFailed;
  }
  fd_ = fd;
  // Who we are, for the message another process shows. The content is only
  // information: the lock is the flock, so a torn write does no harm.
  const std::string record = std::to_string(::getpid()) + "\n" + std::string(what) + "\n";
  if (::ftruncate(fd_, 0) == 0) {
    [[maybe_unused]] const ssize_t n = ::pwrite(fd_, record.data(), record.size(), 0);
  }
  return Result::kLocked;
}

void DataFolderLock::release() {
  if (fd_ < 0) return;
  // Clear the record first so a reader never names a process that is gone.
  [[maybe_unused]] const int t = ::ftruncate(fd_, 0);
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
}

LockHolder DataFolderLock::holder(std::string_view base_folder) {
  LockHolder h;
  const std::string os = lock_path(base_folder);
  const int fd = ::open(os.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return h;
  char buf[256];
  const ssize_t n = ::read(fd, buf, sizeof buf);
  ::close(fd);
  if (n <= 0) return h;
  const std::string_view text(buf, static_cast<std::size_t>(n));
  const std::size_t nl = text.find('\n');
  const std::string_view pid_text = text.substr(0, nl);
  int pid = 0;
  auto [p, ec] = std::from_chars(pid_text.data(), pid_text.data() + pid_text.size(), pid);
  if (ec == std::errc() && p == pid_text.data() + pid_text.size()) h.pid = pid;
  if (nl != std::string_view::npos) {
    std::string_view what = text.substr(nl + 1);
    if (const std::size_t end = what.find('\n'); end != std::string_view::npos) {
      what = what.substr(0, end);
    }
    h.what = std::string(what);
  }
  return h;
}

std::string describe_holder(const LockHolder& holder) {
  std::string out = holder.what.empty() ? "another process" : holder.what;
  if (holder.pid > 0) out += " (process " + std::to_string(holder.pid) + ")";
  return out;
}

}  // namespace ks::app
