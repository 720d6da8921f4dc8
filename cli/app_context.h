// Opening the application for a command: every command starts and ends
// through the application core (app/application.h), which resolves the
// application folder, reads the global options, prepares the folders, loads
// the optional libraries and builds the tree and the template table the way
// every front end does. A command that changes the data folder asks for
// Access::kChange and holds the data-folder lock until it ends; one that
// only reads never waits for it. Failures are reported on stderr here, so a
// command only returns the exit status. Commands that change the tree add a
// TreeSession (tree_session.h) on top.
//
// A PATH on the command line names a node by its labels from the root,
// joined with '/'. A label may hold '/' or '\' itself; in a path they are
// written "\/" and "\\". A backslash before any other character stands for
// itself, so paths typed before the escape existed still work. Empty steps
// are skipped: "" and "/" name the root. Paths are printed the same way, so
// what a command prints can be typed back.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/application.h"
#include "app/options/options.h"
#include "command.h"
#include "store/folders.h"
#include "store/page_settings.h"
#include "store/startup.h"
#include "store/templates.h"
#include "store/tree.h"

namespace ks::cli {

// The core of one command, with short names for what commands use most.
struct App {
  explicit App(std::unique_ptr<app::Application> c);
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  std::unique_ptr<app::Application> core;
  const std::string& app_folder;  // Shift_JIS, ends in '/'
  app_options::Options& options;
  const store::Folders& folders;
  store::Tree& tree;
  // The one template table: the tree operations of a TreeSession keep it
  // current, and commands that apply templates read it here.
  store::TemplateTable& templates;
};

// Opens the application and loads the tree. `access` kChange takes the
// data-folder lock for `holder` (the command's name). nullptr after printing
// a one-line message (for a busy data folder: who holds it); `exit_code`
// then holds the status to return.
std::unique_ptr<App> open_app(const Context& ctx, int& exit_code,
                              app::Access access = app::Access::kRead,
                              std::string_view holder = {});
// For the preview tools that work on files only: the core without the tree
// and without the lock.
std::unique_ptr<App> open_core(const Context& ctx, int& exit_code);

// The labels a path (core form) names, in order, with the escapes undone.
std::vector<std::string> split_path(std::string_view path);

// A label as one step of a path: '/' and '\' escaped. A control byte
// (only in a folder made by another program: names are refused with one)
// shows as '?', so a name with a line break cannot forge a line of output.
std::string path_step(std::string_view label);

// The path of a node as commands print it and take it back ("" for the root).
std::string cli_path(const store::Tree& tree, store::NodeId id);

// The node at `path` (core form) below `from`; kNoNode when there is none.
store::NodeId resolve_path(const store::Tree& tree, store::NodeId from, std::string_view path);

// The node at a PATH argument ("group/sub/item", UTF-8 unless `raw`);
// prints "no such item" and returns kNoNode when there is none.
store::NodeId find_node(const App& app, std::string_view path, bool raw);

// For commands whose PATH is optional: the node at args[index], or the root
// when there is no such argument. kNoNode after a message.
store::NodeId find_node_or_root(const App& app, const std::vector<std::string>& args,
                                std::size_t index, bool raw);

// An item or template named by a PATH argument, and its folder.
struct PageNode {
  store::NodeId id = store::kNoNode;
  std::string folder;  // Shift_JIS
};
// nullopt after a message when the path names nothing, a group or a root, or
// when the folder path would be too long.
std::optional<PageNode> find_page(const App& app, std::string_view path, bool raw);

// find_page() and the page's settings as site.db stores them (no template
// applied), for commands that show or change them key by key.
struct StoredPage {
  PageNode node;
  store::PageSettings settings;
};
std::optional<StoredPage> read_page(const App& app, std::string_view path, bool raw);

// A command-line text in core form: UTF-8 converted strictly to Shift_JIS,
// or taken as bytes when `raw`. nullopt when a character has no Shift_JIS form.
std::optional<std::string> core_text(std::string_view arg, bool raw);

// Removes "--raw" from args; true when it was there.
bool take_flag(std::vector<std::string>& args, std::string_view flag);

// A path (UTF-8) as a shell word for hints ("kestrelscan-cli check 'a b'"):
// as it is when it needs no quoting, else in single quotes.
std::string shell_word(std::string_view utf8);

// LF not preceded by CR becomes CR LF (multi-line values typed in a shell).
std::string to_crlf(std::string_view text);

}  // namespace ks::cli
