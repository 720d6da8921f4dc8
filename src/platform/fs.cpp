#include "platform/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
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

// Keeps errno across clean-up calls, so a caller sees the first failure.
class KeepErrno {
 public:
  KeepErrno() : saved_(errno) {}
  ~KeepErrno() { errno = saved_; }
  KeepErrno(const KeepErrno&) = delete;
  KeepErrno& operator=(const KeepErrno&) = delete;

 private:
  int saved_;
};

void close_keeping_errno(int fd) {
  KeepErrno keep;
  ::close(fd);
}

// A stdio stream over a descriptor; the descriptor is closed when that fails.
std::FILE* stream_of(int fd, const char* mode) {
  if (fd < 0) return nullptr;
  std::FILE* f = ::fdopen(fd, mode);
  if (!f) close_keeping_errno(fd);
  return f;
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

bool make_new_dir(std::string_view path) {
  return ::mkdir(to_os_path(path).c_str(), 0777) == 0;
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
    DirEntry entry{std::move(*sj), e->d_type == DT_DIR, e->d_type == DT_REG};
    if (e->d_type == DT_UNKNOWN) {
      // lstat, not stat: a link is never taken for what it points to.
      struct stat st;
      if (::lstat((os + "/" + std::string(name)).c_str(), &st) == 0) {
        entry.is_dir = S_ISDIR(st.st_mode);
        entry.is_regular = S_ISREG(st.st_mode);
      }
    }
    out.push_back(std::move(entry));
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
  int first_error = 0;
  while (dirent* e = ::readdir(d)) {
    std::string_view name(e->d_name);
    if (name == "." || name == "..") continue;
    if (!remove_os_tree(os + "/" + std::string(name)) && ok) {
      ok = false;
      first_error = errno;
    }
  }
  ::closedir(d);
  if (!ok) {
    ::rmdir(os.c_str());
    errno = first_error;  // why a file stayed, not that the folder is not empty
    return false;
  }
  return ::rmdir(os.c_str()) == 0;
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

std::optional<std::string> read_file(std::string_view path, std::size_t max_bytes) {
  Fd fd(open_regular_for_reading(path));
  if (fd.get() < 0) return std::nullopt;
  std::string out;
  char buf[65536];
  while (out.size() < max_bytes) {
    ssize_t n = ::read(fd.get(), buf, std::min(sizeof buf, max_bytes - out.size()));
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (n == 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  return out;
}

int create_temporary_beside(const std::string& os_path, std::string& tmp) {
  static std::atomic<unsigned> serial{0};
  tmp = os_path + ".tmp" + std::to_string(::getpid()) + "." +
        std::to_string(serial.fetch_add(1, std::memory_order_relaxed));
  // A fresh file only: whatever stands under the temporary name (a file
  // left by a killed writer of the same number, or a planted link) goes.
  constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  int fd = ::open(tmp.c_str(), kFlags, 0666);
  if (fd < 0 && errno == EEXIST && ::unlink(tmp.c_str()) == 0)
    fd = ::open(tmp.c_str(), kFlags, 0666);
  return fd;
}

bool write_file_atomic(std::string_view path, std::string_view data) {
  const std::string os = to_os_path(path);
  std::string tmp;
  Fd fd(create_temporary_beside(os, tmp));
  if (fd.get() < 0) return false;
  bool ok = write_all(fd.get(), data);
  ok = (::close(fd.release()) == 0) && ok;
  // rename() is atomic: the old content stays until the new one is complete.
  // It replaces a link at `path` itself, never the file the link names.
  if (!ok || ::rename(tmp.c_str(), os.c_str()) != 0) {
    KeepErrno keep;
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

bool append_file(std::string_view path, std::string_view data) {
  Fd fd(open_for_writing(path, true));
  if (fd.get() < 0) return false;
  return write_all(fd.get(), data);
}

int open_regular_for_reading(std::string_view path) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer.
  const int fd = ::open(to_os_path(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st {};
  const bool known = ::fstat(fd, &st) == 0;
  if (!known || !S_ISREG(st.st_mode)) {
    const int err = !known ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    errno = err;
    return -1;
  }
  // O_NONBLOCK stays: it changes nothing for a regular file.
  return fd;
}

std::FILE* fopen_regular_for_reading(std::string_view path) {
  return stream_of(open_regular_for_reading(path), "rb");
}

int open_for_writing(std::string_view path, bool append) {
  const std::string os = to_os_path(path);
  // No O_TRUNC: the entry is looked at before anything in it is lost.
  int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | (append ? O_APPEND : 0);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int fd = ::open(os.c_str(), flags, 0666);
    if (fd >= 0) {
      struct stat st;
      if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink <= 1) {
        // O_NONBLOCK stays: it changes nothing for a regular file.
        if (append || st.st_size == 0 || ::ftruncate(fd, 0) == 0) return fd;
        close_keeping_errno(fd);
        return -1;
      }
      ::close(fd);
    } else if (errno != ELOOP && errno != ENXIO && errno != EEXIST) {
      // ELOOP: a link; ENXIO: a FIFO nobody reads; EEXIST: the second try lost a race.
      return -1;
    }
    // Not a file of ours: a link, a special file, or a file with another name.
    struct stat st;
    if (::lstat(os.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      errno = EISDIR;
      return -1;
    }
    if (::unlink(os.c_str()) != 0 && errno != ENOENT) return -1;
    flags |= O_EXCL;
  }
  errno = EEXIST;
  return -1;
}

std::FILE* fopen_for_writing(std::string_view path) {
  return stream_of(open_for_writing(path), "wb");
}

namespace {

// The process id of a write_file_atomic() temporary name ("NAME.tmpPID.N"),
// 0 when the name is not one.
pid_t temporary_owner(std::string_view name) {
  const std::size_t at = name.rfind(".tmp");
  if (at == std::string_view::npos || at == 0) return 0;
  std::string_view rest = name.substr(at + 4);
  const std::size_t dot = rest.find('.');
  if (dot == 0 || dot == std::string_view::npos || dot + 1 == rest.size()) return 0;
  auto digits = [](std::string_view s) {
    for (char c : s) {
      if (c < '0' || c > '9') return false;
    }
    return s.size() <= 9;
  };
  if (!digits(rest.substr(0, dot)) || !digits(rest.substr(dot + 1))) return 0;
  return static_cast<pid_t>(std::stol(std::string(rest.substr(0, dot))));
}

}  // namespace

int remove_stale_temporaries(std::string_view folder) {
  int removed = 0;
  const pid_t self = ::getpid();
  for (const DirEntry& e : scan_dir(folder)) {
    if (!e.is_regular) continue;
    const pid_t owner = temporary_owner(e.name);
    // A temporary of a live process (this one included) may be in use.
    if (owner <= 0 || owner == self || ::kill(owner, 0) == 0 || errno != ESRCH) continue;
    if (remove_file(path_join(folder, e.name))) ++removed;
  }
  return removed;
}

}  // namespace ks
