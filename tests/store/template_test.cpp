// Template matching, application and the template table's life in the tree.
#include <gtest/gtest.h>

#include <atomic>

#include "store/bulk_change.h"
#include "store/page_settings_io.h"
#include "store/tree_ops.h"
#include "tree_fixture.h"

namespace ks::store::test {
namespace {

class Templates : public TreeFixture {
 protected:
  NodeId add_template(const std::string& name, const std::string& match, int ng_marker) {
    auto plan = plan_new_node(ctx, tree.template_root(), name);
    EXPECT_TRUE(plan);
    PageSettings rec = plan->record;
    rec.url = match;
    rec.ng_words[0] = "ng" + std::to_string(ng_marker);
    rec.use_regexp_ngword = 1;
    rec.site_priority = 2;  // not used by a template
    return create_planned_node(ctx, *plan, rec).node;
  }
  PageSettings item_record(const std::string& url) {
    PageSettings rec = default_page_settings();
    rec.url = url;
    rec.use_template = 1;
    rec.comment = "mine";
    return rec;
  }
};

TEST_F(Templates, FirstInTreeOrderWinsAndMovingItChangesTheWinnerAfterReload) {
  NodeId first = add_template("first", "example", 1);
  add_template("second", "example.jp", 2);
  PageSettings rec = item_record("http://www.example.jp/");
  ASSERT_TRUE(templates.apply(rec));
  EXPECT_EQ(rec.ng_words[0], "ng1");

  tree.move(first, tree.template_root());  // to the end
  PageSettings before = item_record("http://www.example.jp/");
  templates.apply(before);
  EXPECT_EQ(before.ng_words[0], "ng1");  // the table changes only when reloaded
  load_template_table(templates, tree, base());
  PageSettings after = item_record("http://www.example.jp/");
  templates.apply(after);
  EXPECT_EQ(after.ng_words[0], "ng2");
}

TEST_F(Templates, EmptyMatchTextMatchesEveryUrlAndMatchingIsCaseSensitive) {
  add_template("upper", "Example", 1);
  EXPECT_EQ(templates.match("http://example.com/"), nullptr);
  EXPECT_NE(templates.match("http://Example.com/"), nullptr);
  add_template("any", "", 2);
  EXPECT_EQ(templates.match("http://example.com/")->ng_words[0], "ng2");
  EXPECT_EQ(templates.match("")->ng_words[0], "ng2");
}

TEST_F(Templates, ItemKeepsItsOwnUrlCommentFlagsAndRegexpFlags) {
  add_template("t", "", 7);
  PageSettings rec = item_record("http://a/");
  rec.site_priority = 1;
  rec.disable_auto_check = 1;
  rec.use_regexp_ngword = 0;
  rec.use_old_log = 5;
  ASSERT_TRUE(templates.apply(rec));
  EXPECT_EQ(rec.ng_words[0], "ng7");
  EXPECT_EQ(rec.use_regexp_ngword, 0);  // the template's words count as plain text
  EXPECT_EQ(rec.url, "http://a/");
  EXPECT_EQ(rec.comment, "mine");
  EXPECT_EQ(rec.site_priority, 1);
  EXPECT_EQ(rec.disable_auto_check, 1);
  EXPECT_EQ(rec.use_template, 1);
  EXPECT_EQ(rec.use_old_log, 1);  // supplied by the template
  // The table entry never carries the unused fields.
  EXPECT_EQ(templates.entries()[0].site_priority, 0);
}

TEST_F(Templates, LoadItemSettingsAppliesTheTableWithoutWritingBack) {
  add_template("t", "example", 3);
  NodeId it = item(tree.root(), "page", "http://example.com/");
  PageSettings stored = item_record("http://example.com/");
  EXPECT_TRUE(write_page_settings(folder(it), stored));
  PageSettings rec;
  ASSERT_TRUE(load_item_settings(folder(it), rec, template_applier(templates)));
  EXPECT_EQ(rec.ng_words[0], "ng3");
  PageSettings plain;
  read_page_settings(folder(it), plain);
  EXPECT_EQ(plain.ng_words[0], "");
}

TEST_F(Templates, DeletingATemplateRemovesItsEntryAndLaterOnesMoveUp) {
  const std::string trash_home = dir.path() + "/xdg";
  ::setenv("XDG_DATA_HOME", trash_home.c_str(), 1);
  NodeId a = add_template("a", "x", 1);
  add_template("b", "x", 2);
  EXPECT_EQ(delete_node(ctx, a), DeleteStatus::kDeleted);
  ::unsetenv("XDG_DATA_HOME");
  ASSERT_EQ(templates.size(), 1u);
  EXPECT_EQ(templates.entries()[0].name, "b");
  EXPECT_EQ(templates.match("x")->ng_words[0], "ng2");
}

TEST_F(Templates, RepairAppendsTheMissingExtension) {
  const std::string tdir = data() + "/" + Tree::template_root_label();
  make_dirs(tdir + "/news");
  make_dirs(tdir + "/ab");
  make_dirs(tdir + "/ok.TPL");
  make_dirs(tdir + "/clash");
  make_dirs(tdir + "/clash.tpl");
  EXPECT_EQ(repair_template_folder(tdir), 2);
  EXPECT_TRUE(is_directory(tdir + "/news.tpl"));
  EXPECT_TRUE(is_directory(tdir + "/ab.tpl"));
  EXPECT_TRUE(is_directory(tdir + "/ok.TPL"));
  EXPECT_TRUE(is_directory(tdir + "/clash"));  // never replaces another template
}

TEST_F(Templates, BulkChangeReportsItemsWithoutAMatchingTemplate) {
  add_template("t", "example", 1);
  NodeId g = group(tree.root(), "g");
  item(g, "hit", "http://example.com/");
  NodeId miss = item(g, "miss", "http://other.org/");
  BulkChange change;
  change.values.use_template = 1;
  change.mark(BulkField::kUseTemplate);
  BulkHooks hooks;
  NoTemplateReport report;
  attach_template_hooks(hooks, templates, report);
  std::atomic<bool> cancel{false};
  BulkResult r = bulk_change_group(tree, g, base(), change, cancel, hooks);
  EXPECT_EQ(r.changed, 2);
  ASSERT_EQ(report.items.size(), 1u);
  EXPECT_EQ(report.items[0].node, miss);
  EXPECT_EQ(report.items[0].name, "miss");
  EXPECT_EQ(no_template_text(), sj("該当するテンプレートがありません。"));
}

}  // namespace
}  // namespace ks::store::test
