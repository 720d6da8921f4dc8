#include "store/trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>

#include "platform/fs.h"

namespace ks::store {
namespace {

std::string errno_text(int err) {
  char buf[256];
  // The GNU strerror_r returns the text (maybe not in buf).
  const char* s = strerror_r(err, buf, sizeof buf);
  return s ? std::string(s) : std::string("error ") + std::to_string(err);
}

std::optional<dev_t> device_of(const std::string& os_path) {
  struct stat st;
  if (::lstat(os_path.c_str(), &st) != 0) return std::nullopt;
  return st.st_dev;
}

std::string parent_of(const std::string& p) {
  auto slash = p.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return p.substr(0, slash);
}

std::string home_trash_dir() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg == '/') return std::string(xdg) + "/Trash";
  const char* home = std::getenv("HOME");
  if (home && *home) return std::string(home) + "/.local/share/Trash";
  return {};
}

// The nearest existing folder at or above `p`.
std::string existing_ancestor(std::string p) {
  while (p.size() > 1 && !device_of(p)) p = parent_of(p);
  return p;
}

// The mount point holding `p`: the highest ancestor on the same device.
std::string top_dir(const std::string& p, dev_t dev) {
  std::string cur = p;
  while (cur != "/") {
    std::string up = parent_of(cur);
    auto d = device_of(up);
    if (!d || *d != dev) break;
    cur = up;
  }
  return cur;
}

void make_os_dirs(const std::string& p) {
  for (std::size_t i = 1; i <= p.size(); ++i) {
    if (i == p.size() || p[i] == '/') ::mkdir(p.substr(0, i).c_str(), 0700);
  }
}

bool make_trash_dirs(const std::string& trash) {
  for (const std::string& d : {trash, trash + "/files", trash + "/info"}) {
    if (::mkdir(d.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

// The trash folder for a file on device `dev` at `abs`, and the path to
// record (absolute for the home trash, relative to the top folder elsewhere).
struct TrashPlace {
  std::string dir;
  std::string recorded_path;
};

std::optional<TrashPlace> choose_trash(const std::string& abs, dev_t dev) {
  std::string home = home_trash_dir();
  if (!home.empty()) {
    auto home_dev = device_of(existing_ancestor(home));
    if (home_dev && *home_dev == dev) {
      make_os_dirs(parent_of(home));  // ~/.local/share may not exist yet
      if (make_trash_dirs(home)) return TrashPlace{home, abs};
    }
  }
  std::string top = top_dir(parent_of(abs), dev);
  std::string rel = abs.substr(top == "/" ? 1 : top.size() + 1);
  const std::string uid = std::to_string(::getuid());
  struct stat st;
  std::string shared = (top == "/" ? "" : top) + "/.Trash";
  if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
    std::string mine = shared + "/" + uid;
    if (make_trash_dirs(mine)) return TrashPlace{mine, rel};
  }
  std::string own = (top == "/" ? "" : top) + "/.Trash-" + uid;
  if (make_trash_dirs(own)) return TrashPlace{own, rel};
  return std::nullopt;
}

std::string url_escape(std::string_view s) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (char c : s) {
    auto b = static_cast<unsigned char>(c);
    bool keep = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
                std::strchr("-_.~/", b) != nullptr;
    if (keep && b != 0) {
      out += c;
    } else {
      out += '%';
      out += hex[b >> 4];
      out += hex[b & 15];
    }
  }
  return out;
}

std::string deletion_date() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm);
  return buf;
}

bool write_all(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

TrashResult move_to_trash(std::string_view path) {
  TrashResult r;
  std::string os = to_os_path(path);
  while (os.size() > 1 && os.back() == '/') os.pop_back();
  auto dev = device_of(os);
  if (!dev) {
    r.error = errno_text(errno);
    return r;
  }
  char* parent_real = ::realpath(parent_of(os).c_str(), nullptr);
  if (!parent_real) {
    r.error = errno_text(errno);
    return r;
  }
  std::string base = os.substr(os.find_last_of('/') + 1);
  std::string abs = std::string(parent_real) + (std::strcmp(parent_real, "/") ? "/" : "") + base;
  std::free(parent_real);

  auto place = choose_trash(abs, *dev);
  if (!place) {
    r.error = "no trash folder can take " + abs;
    return r;
  }
  const std::string info = "[Trash Info]\nPath=" + url_escape(place->recorded_path) +
                           "\nDeletionDate=" + deletion_date() + "\n";
  for (int n = 1; n < 10000; ++n) {
    std::string name = n == 1 ? base : base + "." + std::to_string(n);
    std::string info_path = place->dir + "/info/" + name + ".trashinfo";
    int fd = ::open(info_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      r.error = errno_text(errno);
      return r;
    }
    bool written = write_all(fd, info);
    bool closed = ::close(fd) == 0;
    std::string target = place->dir + "/files/" + name;
    if (written && closed && !device_of(target) && ::rename(abs.c_str(), target.c_str()) == 0) {
      r.ok = true;
      return r;
    }
    int err = errno;
    ::unlink(info_path.c_str());
    if (written && closed && device_of(target)) continue;  // a stray file without info
    r.error = errno_text(err);
    return r;
  }
  r.error = "the trash holds too many files named " + base;
  return r;
}

}  // namespace ks::store
