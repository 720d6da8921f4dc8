// The CLI's own messages in the user's language. They are written in
// English in the source, marked with _() where they are used (N_() where a
// table holds them and they are translated when shown), and looked up in
// the gettext catalogue of the domain "kestrelscan-cli" chosen by the locale
// (LANGUAGE, LC_ALL, LC_MESSAGES, LANG); English when there is none. The
// system's own Japanese texts (results, headlines, the tree's messages) are
// not translated: they are the same in every locale.
//
// Catalogues are looked for beside the executable (locale/, as the build
// leaves them), then in ../share/locale (an installed program), then in the
// folder the program was configured for. Messages come out as UTF-8
// whatever the locale's character set. init_messages() runs once, first
// thing in main(); tr() may then be called from any thread.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace ks::cli {

void init_messages();

// The translation of `msgid` (the msgid itself when there is none).
const char* tr(const char* msgid);

// `pattern` with {1}, {2}... replaced by the arguments in that order, so a
// translation may put them where its language wants them.
std::string format(std::string_view pattern, std::initializer_list<std::string_view> args);

}  // namespace ks::cli

#define _(msgid) ::ks::cli::tr(msgid)
#define N_(msgid) msgid
