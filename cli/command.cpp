#include "command.h"

#include <cstdio>

#include "platform/sjis.h"

namespace ks::cli {
namespace {
std::vector<Command>& table() {
  static std::vector<Command> t;
  return t;
}
}  // namespace

void register_command(const Command& c) {
  table().push_back(c);
}
const std::vector<Command>& commands() {
  return table();
}

int usage_error(std::string_view message) {
  std::fprintf(stderr, "kestrelscan-cli: %.*s\n", static_cast<int>(message.size()), message.data());
  return kExitUsage;
}

int failure(std::string_view message) {
  note(message);
  return kExitFailure;
}

int usage_of(std::string_view usage) {
  return usage_error(format(_("usage: kestrelscan-cli {1}"), {usage}));
}

void note(std::string_view message) {
  std::fprintf(stderr, "kestrelscan-cli: %.*s\n", static_cast<int>(message.size()), message.data());
}

std::string to_core(std::string_view utf8) {
  return utf8_to_sjis(utf8);
}

void print_text(std::string_view sjis, bool raw) {
  if (raw) {
    std::fwrite(sjis.data(), 1, sjis.size(), stdout);
  } else {
    std::string u = sjis_to_utf8(sjis);
    std::fwrite(u.data(), 1, u.size(), stdout);
  }
}

void print_line(std::string_view sjis, bool raw) {
  print_text(sjis, raw);
  std::fputc('\n', stdout);
}

}  // namespace ks::cli
