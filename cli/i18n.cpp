#include "i18n.h"

#include <libintl.h>
#include <unistd.h>

#include <clocale>

#include "platform/appdir.h"

#ifndef KS_LOCALEDIR
#define KS_LOCALEDIR "/usr/local/share/locale"
#endif

namespace ks::cli {
namespace {

constexpr const char* kDomain = "kestrelscan-cli";

bool has_catalogues(const std::string& dir) {
  return ::access((dir + "/ja/LC_MESSAGES/kestrelscan-cli.mo").c_str(), R_OK) == 0;
}

}  // namespace

void init_messages() {
  // Only the language of messages follows the locale: character classes,
  // numbers and collation stay those of the C locale, which the core's byte
  // handling of Shift_JIS assumes.
  std::setlocale(LC_MESSAGES, "");
  const std::string exe = executable_folder();
  std::string dir = KS_LOCALEDIR;
  for (const std::string& candidate : {exe + "/locale", exe + "/../share/locale"}) {
    if (has_catalogues(candidate)) {
      dir = candidate;
      break;
    }
  }
  ::bindtextdomain(kDomain, dir.c_str());
  ::bind_textdomain_codeset(kDomain, "UTF-8");
  ::textdomain(kDomain);
}

const char* tr(const char* msgid) {
  return ::dgettext(kDomain, msgid);
}

std::string format(std::string_view pattern, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(pattern.size() + 32);
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '{' && i + 2 < pattern.size() && pattern[i + 2] == '}' &&
        pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
      const auto n = static_cast<std::size_t>(pattern[i + 1] - '1');
      if (n < args.size()) {
        out += *(args.begin() + n);
        i += 2;
        continue;
      }
    }
    out += pattern[i];
  }
  return out;
}

}  // namespace ks::cli
