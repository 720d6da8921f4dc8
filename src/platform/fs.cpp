#include "platform/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/sjis.h"

namespace ks {
namespace {

// Closes a descriptor on every path out.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

bool write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool stat_path(std::string_view path, struct stat& st) {
  return ::stat(to_os_path(path).c_str(), &st) == 0;
}

}  // namespace

std::string to_os_path(std::string_view sjis_path) {
  return sjis_to_utf8(sjis_path);
}

std::optional<std::string> from_os_name(std::string_view os_name) {
  std::string out;
  if (!utf8_to_sjis_strict(os_name, out)) return std::nullopt;
  return out;
}

std::string path_join(std::string_view dir, std::string_view name) {
  std::string out(dir);
  if (!out.empty() && out.back() != kPathSep) out += kPathSep;
  while (!name.empty() && name.front() == kPathSep && !out.empty()) name.remove_prefix(1);
  out += name;
  return out;
}

bool path_exists(std::string_view path) {
  struct stat st;
  return stat_path(path, st);
}

bool is_directory(std::string_view path) {
  struct stat st;
  return stat_path(path, st) && S_ISDIR(st.st_mode);
}

bool is_regular_file(std::string_view path) {
  struct stat st;
  return stat_path(path, st) && S_ISREG(st.st_mode);
}

std::optional<int64_t> file_size(std::string_view path) {
  struct stat st;
  if (!stat_path(path, st)) return std::nullopt;
  return static_cast<int64_t>(st.st_size);
}

std::optional<int64_t> file_mtime(std::string_view path) {
  struct stat st;
  if (!stat_path(path, st)) return std::nullopt;
  return static_cast<int64_t>(st.st_mtime);
}

bool make_dirs(std::string_view path) {
  std::string os = to_os_path(path);
  while (os.size() > 1 && os.back() == '/') os.pop_back();
  if (os.empty()) return false;
  for (std::size_t i = 1; i <= os.size(); ++i) {
    if (i == os.size() || os[i] == '/') {
      std::string part = os.substr(0, i);
      if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
  }
  struct stat st;
  return ::stat(os.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<DirEntry> scan_dir(std::string_view path) {
  std::vector<DirEntry> out;
  std::string os = to_os_path(path);
  DIR* d = ::opendir(os.c_str());
  if (!d) return out;
  while (dirent* e = ::readdir(d)) {
    std::string_view name(e->d_name);
    if (name == "." || name == "..") continue;
    auto sj = from_os_name(name);
    if (!sj) continue;
    bool dir;
    if (e->d_type == DT_DIR) {
      dir = true;
    } else if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
      struct stat st;
      dir = ::stat((os + "/" + std::string(name)).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    } else {
      dir = false;
    }
    out.push_back(DirEntry{std::move(*sj), dir});
  }
  ::closedir(d);
  return out;
}

namespace {
bool remove_os_tree(const std::string& os) {
  struct stat st;
  if (::lstat(os.c_str(), &st) != 0) return errno == ENOENT;
  if (!S_ISDIR(st.st_mode)) return ::unlink(os.c_str()) == 0;
  DIR* d = ::opendir(os.c_str());
  if (!d) return false;
  bool ok = true;
  while (dirent* e = ::readdir(d)) {
    std::string_view name(e->d_name);
    if (name == "." || name == "..") continue;
    ok = remove_os_tree(os + "/" + std::string(name)) && ok;
  }
  ::closedir(d);
  return ::rmdir(os.c_str()) == 0 && ok;
}
}  // namespace

bool remove_tree(std::string_view path) {
  return remove_os_tree(to_os_path(path));
}

bool remove_file(std::string_view path) {
  return ::unlink(to_os_path(path).c_str()) == 0 || errno == ENOENT;
}

bool rename_path(std::string_view from, std::string_view to) {
  return ::rename(to_os_path(from).c_str(), to_os_path(to).c_str()) == 0;
}

bool copy_file(std::string_view from, std::string_view to) {
  auto data = read_file(from);
  return data && write_file_atomic(to, *data);
}

std::optional<std::string> read_file(std::string_view path) {
  Fd fd(::open(to_os_path(path).c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return std::nullopt;
  std::string out;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (n == 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  return out;
}

bool write_file_atomic(std::string_view path, std::string_view data) {
  static std::atomic<unsigned> serial{0};
  std::string os = to_os_path(path);
  std::string tmp = os + ".tmp" + std::to_string(::getpid()) + "." +
                    std::to_string(serial.fetch_add(1, std::memory_order_relaxed));
  Fd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (fd.get() < 0) return false;
  bool ok = write_all(fd.get(), data);
  ok = (::close(fd.release()) == 0) && ok;
  // rename() is atomic: the old content stays until the new one is complete.
  if (!ok || ::rename(tmp.c_str(), os.c_str()) != 0) {
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

bool append_file(std::string_view path, std::string_view data) {
  Fd fd(::open(to_os_path(path).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666));
  if (fd.get() < 0) return false;
  return write_all(fd.get(), data);
}

}  // namespace ks
