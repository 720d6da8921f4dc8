// Where the application folder is: `--home DIR`, else $KESTRELSCAN_HOME, else
// the executable's folder when it holds kestrelscan.ini (a portable install),
// else $XDG_DATA_HOME/kestrelscan (default ~/.local/share/kestrelscan).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ks {

// The application folder as a Shift_JIS path ending in '/'. nullopt only when
// no candidate can be named (no HOME at all) or the name has no Shift_JIS form.
std::optional<std::string> resolve_app_folder(std::optional<std::string_view> home_option);

// The folder of the running executable (UTF-8, no trailing '/').
std::string executable_folder();

}  // namespace ks
