// Opening pages outside the system: links of the result panes, the report,
// an item's page and the web searches all go through open_address(), which
// prepares the address and starts the right program: the program the item
// names, else the browser of the global options, else the desktop's default
// handler ($BROWSER when the environment names one, else xdg-open).
//
// Programs are started without waiting for them and never left as zombies.
// Starting goes through a Launcher so tests can record instead of launching.
// Texts are Shift_JIS; the address is handed to the program as one argument.
//
// Addresses come from pages and imported files. Only an absolute URL or an
// absolute file path is ever handed on, so no address can be read as an
// option ("--renderer-cmd-prefix=..."); programs known to take "--" as the
// end of their options get it before the address as well.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/options/options.h"

namespace ks::present {

// The longest prepared address in bytes.
inline constexpr std::size_t kMaxAddressBytes = 2100;

// A URL made safe for a browser: trailing spaces dropped, the part up to and
// including "://" kept, the host (up to the first '/') in its ASCII form, and
// every byte of the rest that is not a letter, a digit or one of the safe
// characters written as %HH. nullopt when the result would pass 2,100 bytes.
std::optional<std::string> normalize_url(std::string_view text);

// A search term as an address: trailing spaces dropped, letters, digits, the
// safe characters, Shift_JIS pairs and half-width katakana kept, every other
// byte as %HH. nullopt when it would pass 2,100 bytes.
std::optional<std::string> encode_search_term(std::string_view text);

enum class AddressKind : int { kAsIs = 0, kUrl = 1, kSearchTerm = 2 };

// Starts a program with its arguments without waiting for it. Returns false
// when it could not be started.
class Launcher {
 public:
  virtual ~Launcher() = default;
  virtual bool launch(const std::vector<std::string>& argv) = 0;
};

// The real launcher: posix_spawnp, the child reaped by a detached thread.
// Arguments are Shift_JIS and reach the program as UTF-8.
Launcher& system_launcher();

// A message box: text and title (Shift_JIS).
using MessageFn = std::function<void(std::string_view text, std::string_view title)>;

struct OpenEnv {
  const app_options::Options* options = nullptr;  // USE_BROWSER, BROWSER; nullptr: defaults
  Launcher* launcher = nullptr;                   // nullptr: system_launcher()
  MessageFn message;                              // may be empty
  // The environment lookup (BROWSER and references in command lines);
  // empty: getenv.
  std::function<std::optional<std::string>(std::string_view name)> getenv;
};

// Expands %NAME%, $NAME and ${NAME} references; a reference to a name that
// is not set, and a '%' without a closing one, stay as written.
std::string expand_environment(std::string_view command, const OpenEnv& env);

// Splits a command line into words: blanks separate, double or single quotes
// group (and are removed).
std::vector<std::string> split_command(std::string_view command);

// Whether an address may be handed to a program: an absolute URL (a scheme
// of a letter and then letters, digits, '+', '-' or '.', a ':' and more) or
// an absolute file path.
bool is_openable_address(std::string_view address);

// Whether the program (its file name) ends its options at "--": browsers
// built on Chromium.
bool honours_option_end(std::string_view program);

// Runs `program` (a command line, environment references expanded) with the
// address, unexpanded, as its last argument. An empty program: "ブラウザが指定されていません";
// a program that cannot start: "ブラウザを起動できません"; an address that
// is_openable_address refuses: "このアドレスは開けません" (nothing is started).
// False on failure.
bool run_program(std::string_view program, std::string_view address, const OpenEnv& env);

// Hands the address to the desktop's default handler (refused as run_program
// refuses it).
bool open_with_default_handler(std::string_view address, const OpenEnv& env);

// Prepares `text` by `kind` and opens it: with the program of `program_number`
// (the browser-number table) when it names one, else with BROWSER when
// USE_BROWSER is on, else with the default handler. A failing program does
// not pass the address on. False when the address could not be prepared or
// opened.
bool open_address(AddressKind kind, std::string_view text, int program_number, const OpenEnv& env);

// The hosts of the three web searches; the paths and query keys are fixed.
struct SearchEndpoints {
  std::string web = "https://www.google.co.jp";
  std::string encyclopedia = "https://ja.wikipedia.org";
  std::string dictionary = "https://dictionary.goo.ne.jp";
};

// The addresses of the web searches for a selected text (Shift_JIS; at most
// 2,099 bytes are used), before normalisation.
std::string web_search_address(std::string_view selection, const SearchEndpoints& ep = {});
std::string encyclopedia_search_address(std::string_view selection, const SearchEndpoints& ep = {});
std::string dictionary_search_address(std::string_view selection, const SearchEndpoints& ep = {});

// Opens a selection as an address of its own (encoded as a search term), with
// BROWSER when USE_BROWSER is on, else with the default handler.
bool open_selection_as_address(std::string_view selection, const OpenEnv& env);

}  // namespace ks::present
