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

namespace {
void print_message(std::string_view message) {
  const std::string safe = terminal_safe(message);
  std::fprintf(stderr, "kestrelscan-cli: %s\n", safe.c_str());
}
}  // namespace

int usage_error(std::string_view message) {
  print_message(message);
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
  print_message(message);
}

bool has_control_bytes(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
  }
  return false;
}

std::string terminal_safe(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const auto b = static_cast<unsigned char>(c);
    if ((b < 0x20 && c != '\t' && c != '\n') || b == 0x7F) c = '?';
  }
  return out;
}

std::string to_core(std::string_view utf8) {
  return utf8_to_sjis(utf8);
}

void print_text(std::string_view sjis, bool raw) {
  const std::string out = terminal_safe(raw ? std::string(sjis) : sjis_to_utf8(sjis));
  std::fwrite(out.data(), 1, out.size(), stdout);
}

void print_line(std::string_view sjis, bool raw) {
  print_text(sjis, raw);
  std::fputc('\n', stdout);
}

}  // namespace ks::cli
