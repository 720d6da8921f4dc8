#include "schedule/autostart.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace ks::gui {
namespace {

// One argument of Exec: quoted when it holds reserved characters, with '"',
// '`', '$' and '\' escaped inside the quotes, and every '\' doubled again
// because the value is itself an escaped string; '%' is written "%%".
std::string exec_arg(const std::string& arg) {
  const bool plain =
      !arg.empty() && arg.find_first_of(" \t\n\"'\\><~|&;$*?#()`=%") == std::string::npos;
  if (plain) return arg;
  std::string out = "\"";
  for (char c : arg) {
    if (c == '"' || c == '`' || c == '$') {
      out += "\\\\";
      out += c;
    } else if (c == '\\') {
      out += "\\\\\\\\";
    } else if (c == '%') {
      out += "%%";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

std::string autostart_path() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (xdg && xdg[0] == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && home[0]) {
    base = std::string(home) + "/.config";
  } else {
    return {};
  }
  return base + "/autostart/kestrelscan.desktop";
}

std::string autostart_entry(const std::string& exe, const std::optional<std::string>& home) {
  std::string exec = exec_arg(exe) + " --minimize";
  if (home) exec += " --home " + exec_arg(*home);
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Kestrelscan\n"
         "Comment=Web page update checker\n"
         "Comment[ja]=ウェブページ更新チェッカー\n"
         "Exec=" +
         exec +
         "\n"
         "Icon=kestrelscan\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

bool set_autostart(bool on, const std::string& exe, const std::optional<std::string>& home) {
  const std::string path = autostart_path();
  if (path.empty()) return false;
  std::error_code ec;
  if (!on) {
    std::filesystem::remove(path, ec);
    return !ec;
  }
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  if (ec) return false;
  const std::string tmp = path + ".tmp" + std::to_string(::getpid());
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out << autostart_entry(exe, home);
    out.flush();
    if (!out) {
      std::filesystem::remove(tmp, ec);
      return false;
    }
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    std::filesystem::remove(tmp, ec);
    return false;
  }
  return true;
}

bool autostart_enabled() {
  const std::string path = autostart_path();
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

}  // namespace ks::gui
