#include "tree_session.h"

namespace ks::cli {

void open_tree_session(App& app, TreeSession& session, AnswerMode mode) {
  const bool auto_sort = app.options.auto_tree_sort != 0;
  session.prompt = TerminalPrompt(mode);
  session.ctx = std::make_unique<store::TreeContext>(
      store::TreeContext{app.tree, app.templates, app.folders.base, auto_sort, session.prompt});
}

bool is_group_or_item(const App& app, store::NodeId id) {
  const store::Node* n = app.tree.find(id);
  return n && (n->kind() == store::NodeKind::kGroup || n->kind() == store::NodeKind::kItem);
}

}  // namespace ks::cli
