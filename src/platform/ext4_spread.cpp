#include "platform/ext4_spread.h"

#include <fcntl.h>
#include <limits.h>
#include <linux/fs.h>     // FS_IOC_GETFLAGS, FS_TOPDIR_FL
#include <linux/magic.h>  // EXT4_SUPER_MAGIC
#include <stdlib.h>       // realpath
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <string_view>

namespace ks {

bool on_ext4_without_journal(const std::string& os_folder) {
  struct statfs fs {};
  struct stat st {};
  if (::statfs(os_folder.c_str(), &fs) != 0 || fs.f_type != EXT4_SUPER_MAGIC) return false;
  if (::stat(os_folder.c_str(), &st) != 0) return false;
  // The block device's name, as ext4 lists its file systems under it.
  const std::string dev =
      "/sys/dev/block/" + std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
  char real[PATH_MAX];
  if (!::realpath(dev.c_str(), real)) return false;
  const std::string_view path(real);
  const std::string name(path.substr(path.rfind('/') + 1));
  const std::string task = "/sys/fs/ext4/" + name + "/journal_task";
  const int fd = ::open(task.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;  // an older kernel: say nothing we cannot tell
  char buf[32];
  const ssize_t n = ::read(fd, buf, sizeof buf);
  ::close(fd);
  return n >= 6 && std::string_view(buf, static_cast<std::size_t>(n)).starts_with("<none>");
}

bool mark_as_top_folder(const std::string& os_folder) {
  const int fd = ::open(os_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok && !(flags & FS_TOPDIR_FL)) {
    flags |= FS_TOPDIR_FL;
    ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  ::close(fd);
  return ok;
}

}  // namespace ks
