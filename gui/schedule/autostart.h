// Starting with the desktop session: the XDG autostart entry
// $XDG_CONFIG_HOME/autostart/kestrelscan.desktop (~/.config when the
// variable is unset or not absolute), which starts the app minimised to the
// notification area. Writing replaces the file atomically; removing an
// entry that is not there succeeds. No Qt; any thread.
#pragma once

#include <optional>
#include <string>

namespace ks::gui {

// The entry's path (UTF-8); empty when neither XDG_CONFIG_HOME nor HOME is set.
std::string autostart_path();
// The entry's text: `exe` (absolute path of the app) started with
// --minimize, and --home when the app runs on a folder of its own.
std::string autostart_entry(const std::string& exe, const std::optional<std::string>& home);
// Writes (on) or removes (off) the entry; false when that failed.
bool set_autostart(bool on, const std::string& exe, const std::optional<std::string>& home);
bool autostart_enabled();

}  // namespace ks::gui
