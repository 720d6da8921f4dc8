// A data folder in a temporary folder with a tree, a template table and a
// scripted prompt, for the tree tests.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/sjis.h"
#include "store/node_path.h"
#include "store/prompt.h"
#include "store/templates.h"
#include "store/tree.h"
#include "store/tree_ops.h"
#include "support/temp_dir.h"

namespace ks::store::test {

// Answers from a script (then `fallback`), and records what it was told.
class ScriptedPrompt : public Prompt {
 public:
  Answer ask(Question, std::string_view, std::string_view text, bool) override {
    questions.emplace_back(text);
    if (answers.empty()) return fallback;
    Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  void message(std::string_view title, std::string_view text) override {
    messages.push_back(std::string(title) + "|" + std::string(text));
  }
  void status(std::string_view text) override { statuses.emplace_back(text); }

  std::deque<Answer> answers;
  Answer fallback = Answer::kYes;
  std::vector<std::string> questions;
  std::vector<std::string> messages;
  std::vector<std::string> statuses;
};

class TreeFixture : public ::testing::Test {
 protected:
  TreeFixture() {
    make_dirs(data() + "/" + Tree::template_root_label());
    tree.add_root();
    tree.add(tree.root(), NodeKind::kTemplateRoot, Tree::template_root_label());
  }

  std::string base() const { return dir.path() + "/"; }
  std::string data() const { return dir.path() + "/data"; }
  static std::string sj(const char* utf8) { return utf8_to_sjis(utf8); }

  // A new group or item made through the tree operations.
  NodeId group(NodeId parent, const std::string& label) {
    NodeId g = new_folder(ctx, parent);
    EXPECT_NE(g, kNoNode);
    EXPECT_TRUE(rename_node(ctx, g, label));
    return g;
  }
  NodeId item(NodeId parent, const std::string& name, const std::string& url = "http://x/") {
    auto plan = plan_new_node(ctx, parent, name, url);
    EXPECT_TRUE(plan.has_value());
    if (!plan) return kNoNode;
    CreateResult r = create_planned_node(ctx, *plan, plan->record);
    EXPECT_EQ(r.status, CreateStatus::kOk);
    return r.node;
  }
  std::vector<std::string> labels(NodeId parent) const {
    std::vector<std::string> out;
    for (NodeId c : tree.find(parent)->children) out.push_back(tree.find(c)->label);
    return out;
  }
  std::string folder(NodeId id) const { return node_path(tree, id, base()).value_or("<none>"); }
  std::string tree_db() const { return read_file(data() + "/tree.db").value_or("<missing>"); }

  ks::test::TempDir dir;
  Tree tree;
  TemplateTable templates;
  ScriptedPrompt prompt;
  TreeContext ctx{tree, templates, base(), false, prompt};
};

}  // namespace ks::store::test
