#include "platform/appdir.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/fs.h"

namespace ks {

std::string executable_folder() {
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string p(buf, static_cast<std::size_t>(n));
  auto slash = p.rfind('/');
  return slash == std::string::npos ? std::string(".") : p.substr(0, slash == 0 ? 1 : slash);
}

namespace {
std::optional<std::string> as_folder(const std::string& utf8) {
  if (utf8.empty()) return std::nullopt;
  auto sj = from_os_name(utf8);
  if (!sj) return std::nullopt;
  if (sj->back() != kPathSep) *sj += kPathSep;
  return sj;
}

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}
}  // namespace

std::optional<std::string> resolve_app_folder(std::optional<std::string_view> home_option) {
  if (home_option && !home_option->empty()) {
    std::string h(*home_option);
    // A relative --home names a folder below the current one, as a shell user expects.
    if (h.front() != '/') {
      char cwd[4096];
      if (::getcwd(cwd, sizeof cwd)) h = std::string(cwd) + "/" + h;
    }
    return as_folder(h);
  }
  if (std::string h = env("KESTRELSCAN_HOME"); !h.empty()) return as_folder(h);
  std::string exe = executable_folder();
  if (::access((exe + "/kestrelscan.ini").c_str(), F_OK) == 0) return as_folder(exe);
  if (std::string x = env("XDG_DATA_HOME"); !x.empty() && x.front() == '/') {
    return as_folder(x + "/kestrelscan");
  }
  if (std::string home = env("HOME"); !home.empty()) {
    return as_folder(home + "/.local/share/kestrelscan");
  }
  return std::nullopt;
}

}  // namespace ks
