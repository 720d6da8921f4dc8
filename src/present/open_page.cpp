#include "present/open_page.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

#include "platform/ascii.h"
#include "platform/punycode.h"
#include "platform/sjis.h"
#include "store/browser_numbers.h"

extern char** environ;

namespace ks::present {
namespace {

constexpr std::string_view kSafe = ";/?:@&=+$,-_.!~*'()<>#%\"";
constexpr char kHexDigits[] = "0123456789ABCDEF";

bool is_safe(unsigned char c) {
  return is_ascii_alnum(static_cast<char>(c)) ||
         (c != 0 && kSafe.find(static_cast<char>(c)) != std::string_view::npos);
}

void append_escape(std::string& out, unsigned char c) {
  out += '%';
  out += kHexDigits[c >> 4];
  out += kHexDigits[c & 0x0F];
}

std::string_view trim_trailing_spaces(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

void tell(const OpenEnv& env, std::string_view text, std::string_view title) {
  if (env.message) env.message(text, title);
}

Launcher& launcher_of(const OpenEnv& env) {
  return env.launcher ? *env.launcher : system_launcher();
}

std::optional<std::string> lookup(const OpenEnv& env, std::string_view name) {
  if (env.getenv) return env.getenv(name);
  const char* v = std::getenv(std::string(name).c_str());
  if (!v) return std::nullopt;
  return utf8_to_sjis(v);
}

bool is_name_char(char c) {
  return is_ascii_alnum(c) || c == '_';
}

// A URL or search term written without a scheme ("www.example.com/x") that
// starts like a host name gets "http://", as a browser's address bar would
// read it; anything else stays as it is (and is refused if not absolute).
std::string with_scheme(std::string address) {
  if (is_openable_address(address) || address.empty() || !is_ascii_alnum(address.front())) {
    return address;
  }
  return "http://" + address;
}

// Refuses (and tells) an address that could be read as an option.
bool refuse_address(std::string_view address, const OpenEnv& env) {
  if (is_openable_address(address)) return false;
  tell(env, KS_SJ("このアドレスは開けません"), KS_SJ("エラー"));
  return true;
}

class SpawnLauncher : public Launcher {
 public:
  bool launch(const std::vector<std::string>& argv) override {
    if (argv.empty() || argv[0].empty()) return false;
    std::vector<std::string> os_args;
    os_args.reserve(argv.size());
    for (const auto& a : argv) os_args.push_back(sjis_to_utf8(a));
    std::vector<char*> ptrs;
    for (auto& a : os_args) ptrs.push_back(a.data());
    ptrs.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, ptrs[0], nullptr, nullptr, ptrs.data(), environ) != 0) return false;
    // The program outlives the call; a detached thread collects its exit
    // status so no zombie stays behind while this process runs.
    std::thread([pid] {
      int status = 0;
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
    }).detach();
    return true;
  }
};

}  // namespace

std::optional<std::string> normalize_url(std::string_view text) {
  text = trim_trailing_spaces(text);
  std::string out;
  std::size_t pos = 0;
  const std::size_t scheme_end = text.find("://");
  if (scheme_end != std::string_view::npos) {
    pos = scheme_end + 3;
    out.assign(text.substr(0, pos));
  }
  std::size_t host_end = text.find('/', pos);
  if (host_end == std::string_view::npos) host_end = text.size();
  out += host_to_ascii(text.substr(pos, host_end - pos));
  for (std::size_t i = host_end; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (is_safe(c)) {
      out += static_cast<char>(c);
    } else {
      append_escape(out, c);
    }
  }
  if (out.size() > kMaxAddressBytes) return std::nullopt;
  return out;
}

std::optional<std::string> encode_search_term(std::string_view text) {
  text = trim_trailing_spaces(text);
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (is_sjis_pair(text, i)) {
      out.append(text.substr(i, 2));
      ++i;
    } else if (is_safe(c) || (c >= 0xA1 && c <= 0xDF)) {
      out += static_cast<char>(c);
    } else {
      append_escape(out, c);
    }
    if (out.size() > kMaxAddressBytes) return std::nullopt;
  }
  return out;
}

Launcher& system_launcher() {
  static SpawnLauncher launcher;
  return launcher;
}

std::string expand_environment(std::string_view command, const OpenEnv& env) {
  std::string out;
  // A reference to a name that is not set stays as written.
  auto expand = [&](std::string_view name, std::string_view written) {
    const std::optional<std::string> v = name.empty() ? std::nullopt : lookup(env, name);
    out += v ? *v : std::string(written);
  };
  for (std::size_t i = 0; i < command.size(); ++i) {
    const char c = command[i];
    if (is_sjis_pair(command, i)) {
      out.append(command.substr(i, 2));
      ++i;
      continue;
    }
    std::size_t end = std::string_view::npos;  // one past the reference
    std::string_view name;
    if (c == '%') {
      const std::size_t close = command.find('%', i + 1);
      if (close != std::string_view::npos && close > i + 1) {
        name = command.substr(i + 1, close - i - 1);
        end = close + 1;
      }
    } else if (c == '$' && i + 1 < command.size() && command[i + 1] == '{') {
      const std::size_t close = command.find('}', i + 2);
      if (close != std::string_view::npos) {
        name = command.substr(i + 2, close - i - 2);
        end = close + 1;
      }
    } else if (c == '$' && i + 1 < command.size() && is_name_char(command[i + 1])) {
      end = i + 1;
      while (end < command.size() && is_name_char(command[end])) ++end;
      name = command.substr(i + 1, end - i - 1);
    }
    if (end == std::string_view::npos) {
      out += c;
      continue;
    }
    expand(name, command.substr(i, end - i));
    i = end - 1;
  }
  return out;
}

std::vector<std::string> split_command(std::string_view command) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  char quote = 0;
  for (std::size_t i = 0; i < command.size(); ++i) {
    const char c = command[i];
    if (is_sjis_pair(command, i)) {
      word.append(command.substr(i, 2));
      in_word = true;
      ++i;
    } else if (quote) {
      if (c == quote) {
        quote = 0;
      } else {
        word += c;
      }
    } else if (c == '"' || c == '\'') {
      quote = c;
      in_word = true;
    } else if (c == ' ' || c == '\t') {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
    } else {
      word += c;
      in_word = true;
    }
  }
  if (in_word) words.push_back(std::move(word));
  return words;
}

bool is_openable_address(std::string_view address) {
  if (address.empty()) return false;
  if (address.front() == '/') return true;
  if (!is_ascii_alpha(address.front())) return false;
  for (std::size_t i = 1; i < address.size(); ++i) {
    const char c = address[i];
    if (c == ':') return i + 1 < address.size();
    if (!is_ascii_alnum(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return false;
}

bool honours_option_end(std::string_view program) {
  const std::size_t slash = program.rfind('/');
  const std::string_view name =
      slash == std::string_view::npos ? program : program.substr(slash + 1);
  for (std::string_view family : {"chromium", "chrome", "google-chrome", "microsoft-edge", "brave",
                                  "brave-browser", "vivaldi"}) {
    if (name == family || (name.starts_with(family) && name[family.size()] == '-')) return true;
  }
  return false;
}

bool run_program(std::string_view program, std::string_view address, const OpenEnv& env) {
  std::vector<std::string> argv = split_command(expand_environment(program, env));
  if (argv.empty()) {
    tell(env, KS_SJ("ブラウザが指定されていません"), KS_SJ("エラー"));
    return false;
  }
  if (refuse_address(address, env)) return false;
  // Only the program's own words are expanded: an address holds '%' and '$'
  // of its own (percent escapes, query values) that must reach the browser.
  if (honours_option_end(argv[0])) argv.emplace_back("--");
  argv.emplace_back(address);
  if (!launcher_of(env).launch(argv)) {
    tell(env, KS_SJ("ブラウザを起動できません"), KS_SJ("Kestrelscanエラー"));
    return false;
  }
  return true;
}

bool open_with_default_handler(std::string_view address, const OpenEnv& env) {
  // xdg-open takes no "--": refusing what is not absolute keeps an address
  // from being read as its option.
  if (refuse_address(address, env)) return false;
  // The desktop's choice: $BROWSER when the session names one, else xdg-open.
  const std::optional<std::string> browser = lookup(env, "BROWSER");
  if (browser && !trim_trailing_spaces(*browser).empty()) {
    return run_program(*browser, address, env);
  }
  if (!launcher_of(env).launch({"xdg-open", std::string(address)})) {
    tell(env, KS_SJ("ブラウザを起動できません"), KS_SJ("Kestrelscanエラー"));
    return false;
  }
  return true;
}

bool open_address(AddressKind kind, std::string_view text, int program_number, const OpenEnv& env) {
  std::optional<std::string> address;
  switch (kind) {
    case AddressKind::kAsIs:
      if (text.size() <= kMaxAddressBytes) address = std::string(text);
      break;
    case AddressKind::kUrl:
      address = normalize_url(text);
      break;
    case AddressKind::kSearchTerm:
      address = encode_search_term(text);
      break;
  }
  if (!address) return false;
  if (kind != AddressKind::kAsIs) address = with_scheme(std::move(*address));
  if (program_number != 0) {
    const std::string program = store::browser_numbers().program_for(program_number);
    if (!program.empty()) return run_program(program, *address, env);
  }
  if (env.options && env.options->use_browser != 0) {
    return run_program(env.options->browser, *address, env);
  }
  return open_with_default_handler(*address, env);
}

namespace {

std::string cut_selection(std::string_view s) {
  constexpr std::size_t kMaxSelection = 2099;
  return std::string(s.substr(0, sjis_fit(s, kMaxSelection)));
}

}  // namespace

std::string web_search_address(std::string_view selection, const SearchEndpoints& ep) {
  return ep.web + "/search?ie=Shift_JIS&hl=ja&q=" + cut_selection(selection);
}

std::string encyclopedia_search_address(std::string_view selection, const SearchEndpoints& ep) {
  return ep.encyclopedia +
         "/w/index.php?title=%E7%89%B9%E5%88%A5%3A%E6%A4%9C%E7%B4%A2&redirs=0&search=" +
         sjis_to_utf8(cut_selection(selection)) + "&fulltext=Search&ns0=1";
}

std::string dictionary_search_address(std::string_view selection, const SearchEndpoints& ep) {
  return ep.dictionary + "/srch/all/" + sjis_to_utf8(cut_selection(selection)) + "/m0u/";
}

bool open_selection_as_address(std::string_view selection, const OpenEnv& env) {
  std::optional<std::string> address = encode_search_term(cut_selection(selection));
  if (!address) return false;
  address = with_scheme(std::move(*address));
  if (env.options && env.options->use_browser != 0) {
    return run_program(env.options->browser, *address, env);
  }
  return open_with_default_handler(*address, env);
}

}  // namespace ks::present
