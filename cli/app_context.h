// Opening the application folder for a command: resolve it (--home,
// $KESTRELSCAN_HOME, portable, XDG), read the global options, prepare the
// work, data and template folders, and build the tree and the template table
// the way every front end does at start-up (store/startup.h: the cache, which
// is consumed, tree.db or the folders). This is the only place commands load
// the tree. Failures are reported on stderr here, so a command only returns
// the exit status. Commands that change the tree add a TreeSession
// (tree_session.h) on top.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/options/options.h"
#include "command.h"
#include "store/folders.h"
#include "store/startup.h"
#include "store/templates.h"
#include "store/tree.h"

namespace ks::cli {

struct App {
  std::string app_folder;  // Shift_JIS, ends in '/'
  app_options::Options options;
  store::Folders folders;
  store::Tree tree;
  store::TemplateTable templates;  // handed over to a TreeSession when one is opened
  store::StartupTree startup;      // where the tree came from
};

// Opens the application folder and loads the tree. nullopt after printing a
// one-line message; `exit_code` then holds the status to return.
std::optional<App> open_app(const Context& ctx, int& exit_code);

// The node at a display path ("group/sub/item", UTF-8 unless `raw`);
// prints "no such item" and returns kNoNode when there is none.
store::NodeId find_node(const App& app, std::string_view path, bool raw);

// A command-line text in core form: UTF-8 converted strictly to Shift_JIS,
// or taken as bytes when `raw`. nullopt when a character has no Shift_JIS form.
std::optional<std::string> core_text(std::string_view arg, bool raw);

// Removes "--raw" from args; true when it was there.
bool take_flag(std::vector<std::string>& args, std::string_view flag);

// LF not preceded by CR becomes CR LF (multi-line values typed in a shell).
std::string to_crlf(std::string_view text);

}  // namespace ks::cli
