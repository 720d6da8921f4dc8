// What a command that changes the tree needs on top of the App that
// open_app() built: a prompt answering in the command's mode, and the
// context the tree operations work in (over the App's tree and template
// table, which stay the App's). Nothing is read from
// disk here; the tree was built once, at start-up, by open_app().
//
// The CLI is a short-lived front end: it reads and deletes a cache left by a
// clean shut-down of the desktop app but never writes one itself, since other
// commands change the folders without going through a cache.
//
// A command that adds, renames or moves nodes keeps the stored order current
// by going through store/tree_ops.h (or calling store::order_changed()): with
// automatic sorting off, a folder without a line in tree.db is not shown.
#pragma once

#include <memory>

#include "app_context.h"
#include "prompt.h"
#include "store/tree_ops.h"

namespace ks::cli {

struct TreeSession {
  TerminalPrompt prompt{AnswerMode::kAsk};
  std::unique_ptr<store::TreeContext> ctx;
};

// Fills the session for `mode`. `app` must outlive it.
void open_tree_session(App& app, TreeSession& session, AnswerMode mode);

// Whether the node may be moved, copied or renamed by a command.
bool is_group_or_item(const App& app, store::NodeId id);

}  // namespace ks::cli
