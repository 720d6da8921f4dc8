#include "platform/spare_files.h"

#include <fcntl.h>
#include <stdio.h>  // renameat2, RENAME_EXCHANGE
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <random>

#include "platform/ext4_spread.h"
#include "platform/fs.h"

namespace ks {
namespace {

bool write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// The kind of file a name is: the name without its folder and digits, a new
// text counting as a log ("log.txt").
std::string kind_of(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  std::string kind;
  for (char c : path.substr(slash == std::string_view::npos ? 0 : slash + 1)) {
    if (c < '0' || c > '9') kind += c;
  }
  return kind == "new.txt" ? "log.txt" : kind;
}

// A file of our own: regular, with no second name elsewhere (writing into a
// recycled record must never change another file).
bool plain_file(const std::string& os_path) {
  struct stat st;
  return ::lstat(os_path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1;
}

}  // namespace

SpareFiles::SpareFiles(std::string_view folder, std::size_t capacity) : capacity_(capacity) {
  if (folder.empty()) return;
  folder_ = to_os_path(folder);
  if (::mkdir(folder_.c_str(), 0777) != 0) {
    // Left by a process that ended without cleaning up.
    if (errno != EEXIST || !remove_tree(folder) || ::mkdir(folder_.c_str(), 0777) != 0) return;
  }
  active_ = true;
  if (on_ext4_without_journal(folder_) && mark_as_top_folder(folder_)) {
    fresh_folders_.resize(kFreshFolders);
    fresh_seed_ = std::random_device{}();
  }
}

SpareFiles::~SpareFiles() {
  if (folder_.empty()) return;
  std::lock_guard lock(mutex_);
  for (const auto& [kind, files] : free_) {
    for (const std::string& f : files) ::unlink(f.c_str());
  }
  free_.clear();
  count_ = 0;
  for (const std::string& f : fresh_folders_) {
    if (!f.empty()) ::rmdir(f.c_str());
  }
  ::rmdir(folder_.c_str());
}

std::size_t SpareFiles::count() const {
  std::lock_guard lock(mutex_);
  return count_;
}

std::string SpareFiles::fresh_name() {
  return folder_ + "/" + std::to_string(next_name_++);
}

std::string SpareFiles::fresh_path() {
  std::lock_guard lock(mutex_);
  if (fresh_folders_.empty()) return {};
  std::string& folder = fresh_folders_[next_name_ % fresh_folders_.size()];
  if (folder.empty()) {
    // A name of its own in every run: ext4 starts its search for a roomy
    // place from the name's hash, so the same names would put every run's
    // new files where the previous runs' files were just freed.
    std::string name = folder_ + "/n" + std::to_string(fresh_seed_ + next_name_);
    if (::mkdir(name.c_str(), 0777) != 0) return {};
    folder = std::move(name);
  }
  return folder + "/" + std::to_string(next_name_++);
}

std::string SpareFiles::take(const std::string& kind) {
  std::lock_guard lock(mutex_);
  auto it = free_.find(kind);
  if (it == free_.end() || it->second.empty()) {
    // Any spare beats a new record: the fullest kind gives one.
    it = std::max_element(free_.begin(), free_.end(), [](const auto& a, const auto& b) {
      return a.second.size() < b.second.size();
    });
  }
  if (it == free_.end() || it->second.empty()) return {};
  std::string f = std::move(it->second.back());
  it->second.pop_back();
  --count_;
  return f;
}

void SpareFiles::give(std::string os_path, const std::string& kind) {
  {
    std::lock_guard lock(mutex_);
    if (count_ < capacity_) {
      free_[kind].push_back(std::move(os_path));
      ++count_;
      return;
    }
  }
  ::unlink(os_path.c_str());
}

void SpareFiles::keep(std::string os_path, const std::string& kind) {
  if (os_path.compare(0, folder_.size() + 1, folder_ + "/") == 0) {
    give(std::move(os_path), kind);
  } else {
    adopt(os_path, kind);  // made beside its target: into the pool's folder
  }
}

bool SpareFiles::likely_absent(const std::string& kind) const {
  std::lock_guard lock(mutex_);
  auto it = absent_.find(kind);
  return it != absent_.end() && it->second;
}

void SpareFiles::note_absent(const std::string& kind, bool absent) {
  std::lock_guard lock(mutex_);
  absent_[kind] = absent;
}

int SpareFiles::rename_if_absent(const std::string& from, const std::string& to,
                                 const std::string& kind) {
  if (!likely_absent(kind)) return -1;
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 1;
  if (errno == EEXIST) note_absent(kind, false);
  return -1;
}

bool SpareFiles::swap_in(const std::string& spare, const std::string& target,
                         const std::string& kind) {
  if (rename_if_absent(spare, target, kind) == 1) return true;
  if (::renameat2(AT_FDCWD, spare.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
    // `spare` now names what stood at `target`.
    struct stat st;
    if (::lstat(spare.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      // A folder is never replaced by a file: put it back.
      ::renameat2(AT_FDCWD, spare.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE);
      keep(spare, kind);
      errno = EISDIR;
      return false;
    }
    if (plain_file(spare)) {
      keep(spare, kind);
    } else {
      ::unlink(spare.c_str());  // a link or a file with another name: only this name goes
    }
    return true;
  }
  if (errno == EXDEV) active_ = false;  // another file system: plain operations from now on
  if (errno == ENOENT) note_absent(kind, true);
  // No file there yet, or no swapping here: a plain rename does it.
  if (errno == ENOENT || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
      errno == EPERM) {
    if (::rename(spare.c_str(), target.c_str()) == 0) return true;
  }
  ::unlink(spare.c_str());
  return false;
}

bool SpareFiles::replace(std::string_view path, std::string_view data) {
  if (!active()) return write_file_atomic(path, data);
  const std::string kind = kind_of(path);
  const std::string target = to_os_path(path);
  std::string spare = take(kind);
  const bool fresh = spare.empty();
  int fd = -1;
  if (!fresh) {
    fd = ::open(spare.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
  } else if (spare = fresh_path(); !spare.empty()) {
    fd = ::open(spare.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  }
  // Without the spread folders the new record is made beside its target:
  // creations in one shared folder would wait for each other on its lock.
  if (fresh && fd < 0) fd = create_temporary_beside(target, spare);
  if (fd < 0) {
    if (!fresh) ::unlink(spare.c_str());
    return write_file_atomic(path, data);
  }
  bool ok = write_all(fd, data);
  // Cut what the spare held beyond the new bytes (cutting costs more than
  // asking).
  struct stat st;
  const auto size = static_cast<off_t>(data.size());
  if (ok && !fresh && (::fstat(fd, &st) != 0 || st.st_size > size)) ok = ::ftruncate(fd, size) == 0;
  ok = ::close(fd) == 0 && ok;
  if (!ok) {
    // The file at `path` is untouched; a spare is still a good spare.
    if (fresh) {
      ::unlink(spare.c_str());
    } else {
      give(spare, kind);
    }
    return false;
  }
  if (swap_in(spare, target, kind)) return true;
  if (errno == EISDIR) return false;
  return write_file_atomic(path, data);
}

bool SpareFiles::remove(std::string_view path) {
  if (!active()) return remove_file(path);
  return adopt(to_os_path(path), kind_of(path));
}

bool SpareFiles::adopt(const std::string& os_path, const std::string& kind) {
  struct stat st;
  if (::lstat(os_path.c_str(), &st) != 0) return errno == ENOENT;
  std::string spare;
  {
    std::lock_guard lock(mutex_);
    if (count_ < capacity_) spare = fresh_name();
  }
  if (!spare.empty() && S_ISREG(st.st_mode) && st.st_nlink == 1 &&
      ::rename(os_path.c_str(), spare.c_str()) == 0) {
    give(std::move(spare), kind);
    return true;
  }
  return ::unlink(os_path.c_str()) == 0 || errno == ENOENT;
}

bool SpareFiles::move_over(std::string_view from, std::string_view to) {
  if (!active()) return rename_path(from, to);
  const std::string source = to_os_path(from);
  const std::string target = to_os_path(to);
  const std::string kind = kind_of(to);
  if (rename_if_absent(source, target, kind) == 1) return true;
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) != 0) {
    if (errno == ENOENT && path_exists(from)) note_absent(kind, true);
    return ::rename(source.c_str(), target.c_str()) == 0;
  }
  // `from` now names what stood at `to`: a folder goes back, anything else
  // leaves (into the pool when it is a file of ours).
  struct stat st;
  if (::lstat(source.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    ::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE);
    errno = EISDIR;
    return false;
  }
  adopt(source, kind);
  return true;
}

bool replace_file(SpareFiles* spares, std::string_view path, std::string_view data) {
  return spares ? spares->replace(path, data) : write_file_atomic(path, data);
}

bool discard_file(SpareFiles* spares, std::string_view path) {
  return spares ? spares->remove(path) : remove_file(path);
}

bool move_file_over(SpareFiles* spares, std::string_view from, std::string_view to) {
  return spares ? spares->move_over(from, to) : rename_path(from, to);
}

}  // namespace ks
