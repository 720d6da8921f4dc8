#include <gtest/gtest.h>

#include <algorithm>

#include "platform/fs.h"
#include "platform/profile.h"
#include "platform/sjis.h"
#include "present/bookmarks.h"
#include "store/node_path.h"
#include "store/page_settings_io.h"
#include "store/prompt.h"
#include "store/templates.h"
#include "store/tree_order.h"
#include "store/tree_scan.h"
#include "support/temp_dir.h"

namespace ks::present {
namespace {

std::string sj(const char* utf8) {
  return utf8_to_sjis(utf8);
}

class BookmarkTest : public ::testing::Test {
 protected:
  BookmarkTest() { make_dirs(data() + "/" + store::Tree::template_root_label()); }
  std::string base() const { return dir.path() + "/"; }
  std::string data() const { return dir.path() + "/data"; }

  // An item folder with its site.db, below the data folder.
  void item(const std::string& rel, const std::string& url) {
    const std::string folder = data() + "/" + rel;
    ASSERT_TRUE(make_dirs(folder));
    store::PageSettings rec = store::default_page_settings();
    rec.url = url;
    ASSERT_TRUE(store::write_page_settings(folder, rec));
  }
  store::Tree scan() {
    store::Tree t;
    store::scan_tree_from_disk(t, base());
    return t;
  }
  std::string url_of(const std::string& rel) {
    return profile_read_string(data() + "/" + rel + "/site.db", "CONFIG", "URL", "<none>");
  }
  // Sorted names in a folder.
  std::vector<std::string> names(const std::string& rel) {
    std::vector<std::string> out;
    for (const auto& e : scan_dir(data() + "/" + rel)) out.push_back(e.name);
    std::sort(out.begin(), out.end());
    return out;
  }

  test::TempDir dir;
};

const std::string kHead = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";

TEST_F(BookmarkTest, ExportThenImportGivesTheSameGroupsAndItems) {
  item(sj("ニュース.grp/速報.dat"), "http://a.test/news?x=1&y=2");
  item(sj("ニュース.grp/深い.grp/底.dat"), "http://b.test/");
  item(sj("a&b<c>.dat"), "http://c.test/");
  const store::Tree tree = scan();
  const std::string html = export_bookmarks(tree, base());
  EXPECT_EQ(html.rfind("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n", 0), 0u);
  EXPECT_NE(html.find("<DT><H3 FOLDED>ニュース</H3>\n<DL><p>\n"), std::string::npos);
  EXPECT_NE(html.find("<DT><A HREF=\"http://a.test/news?x=1&y=2\">速報</A>\n"), std::string::npos);
  EXPECT_NE(html.find(">a&amp;b&lt;c&gt;</A>"), std::string::npos);
  EXPECT_EQ(html.substr(html.size() - 9), "</DL><p>\n");

  const ImportResult r = import_bookmarks(html, data());
  ASSERT_TRUE(r.imported);
  EXPECT_EQ(r.links, 3);
  const std::string g = sj("インポートされたブックマーク.grp/");
  EXPECT_EQ(url_of(g + sj("ニュース.grp/速報.dat")), "http://a.test/news?x=1&y=2");
  EXPECT_EQ(url_of(g + sj("ニュース.grp/深い.grp/底.dat")), "http://b.test/");
  EXPECT_EQ(url_of(g + sj("a&b%3cc%3e.dat")), "http://c.test/");
  EXPECT_TRUE(is_directory(data() + "/" + g + sj("テンプレート.grp")));
  EXPECT_EQ(profile_read_string(data() + "/" + g + sj("ニュース.grp/速報.dat/site.db"), "CONFIG",
                                "COMMENT", ""),
            sj("速報"));

  // A second import gets a group of its own.
  const ImportResult again = import_bookmarks(html, data());
  EXPECT_EQ(again.group_label, sj("インポートされたブックマーク(1)"));
}

TEST_F(BookmarkTest, RepeatedNamesEmptyHeadingsAndEmptyLinks) {
  const std::string file = kHead +
                           "<DT><H3></H3>\n<DL><p>\n"
                           "<DT><A HREF=\"http://x/1\">Same</A>\n"
                           "<DT><A HREF=\"http://x/2\">Same</A>\n"
                           "<DT><A HREF=\"\">empty</A>\n"
                           "<DT><A>  </A>\n"
                           "</DL><p>\n</DL><p>\n";
  const ImportResult r = import_bookmarks(file, data());
  ASSERT_TRUE(r.imported);
  EXPECT_EQ(r.links, 4);
  const std::string g = sj("インポートされたブックマーク.grp/無題.grp/");
  EXPECT_EQ(url_of(g + "Same.dat"), "http://x/1");
  EXPECT_EQ(url_of(g + "Same(1).dat"), "http://x/2");
  EXPECT_EQ(url_of(g + "empty.dat"), "");
  EXPECT_TRUE(is_directory(data() + "/" + g + sj("無題.dat")));
}

TEST_F(BookmarkTest, OnlyBookmarkFilesAreImported) {
  EXPECT_FALSE(import_bookmarks("<html><a href=x>y</a>", data()).imported);
  EXPECT_FALSE(import_bookmarks("", data()).imported);
  EXPECT_EQ(names(""), std::vector<std::string>{store::Tree::template_root_label()});
  // Case does not matter in the type line, and a byte-order mark is skipped.
  EXPECT_TRUE(import_bookmarks("\xEF\xBB\xBF<!doctype netscape-bookmark-file-1>", data()).imported);
}

TEST_F(BookmarkTest, ClosingListsNeverLeaveTheImportGroup) {
  const std::string file = kHead + "</DL></DL></DL><DT><A HREF=\"http://x/\">top</A>" +
                           "<H3>../..</H3><DL><A HREF=\"u\">..</A>";
  const ImportResult r = import_bookmarks(file, data());
  const std::string g = sj("インポートされたブックマーク.grp/");
  EXPECT_EQ(url_of(g + "top.dat"), "http://x/");
  EXPECT_EQ(url_of(g + "..%2f...grp/...dat"), "u");
  EXPECT_EQ(names("").size(), 2u);
}

TEST_F(BookmarkTest, TooLongNamesGoToTheirOwnGroup) {
  const std::string long_name(240, 'n');
  const std::string file = kHead + "<A HREF=\"http://x/\">" + long_name + "</A>" +
                           "<A HREF=\"http://y/\">" + long_name + "</A>";
  const ImportResult r = import_bookmarks(file, data());
  EXPECT_EQ(r.too_long, 2);
  EXPECT_EQ(r.links, 2);
  const std::string g = sj("!アイテム名が長い.grp/");
  EXPECT_EQ(url_of(g + "00000000.dat"), "http://x/");
  EXPECT_EQ(url_of(g + "00000001.dat"), "http://y/");
  EXPECT_EQ(profile_read_string(data() + "/" + g + "00000000.dat/site.db", "CONFIG", "COMMENT", ""),
            long_name);
}

TEST(BookmarkUtf8, DecodesTwoAndThreeByteSequencesOnly) {
  EXPECT_EQ(decode_bookmark_utf8("a\xC3\x97\xE3\x81\x82"), "a" + sj("×あ"));
  EXPECT_EQ(decode_bookmark_utf8("\xF0\x9F\x98\x80!"), "?\?\?\?!");
  EXPECT_EQ(decode_bookmark_utf8("\x80\xE3\x81"), "???");
  EXPECT_EQ(decode_bookmark_utf8("\xE2\x82\xAC"), "?");  // no Shift_JIS form
}

TEST_F(BookmarkTest, LinkFolderImport) {
  test::TempDir links;
  make_dirs(links.path() + "/sub");
  write_file_atomic(links.file("Home Page.URL"), "[InternetShortcut]\r\nURL=http://home.test/\r\n");
  write_file_atomic(links.file("sub/doc.desktop"),
                    "[Desktop Entry]\nType=Link\nName=Docs\nURL=http://doc.test/\n");
  write_file_atomic(links.file("sub/app.desktop"), "[Desktop Entry]\nType=Application\nExec=x\n");
  write_file_atomic(links.file("notes.txt"), "x");
  const ImportResult r = import_link_folder(links.path(), data(), sj("IEのお気に入り"));
  ASSERT_TRUE(r.imported);
  EXPECT_EQ(r.links, 2);
  const std::string g = sj("IEのお気に入り.grp/");
  EXPECT_EQ(url_of(g + "Home Page.dat"), "http://home.test/");
  EXPECT_EQ(url_of(g + "sub.grp/doc.dat"), "http://doc.test/");
  EXPECT_EQ(names(g + "sub.grp"), std::vector<std::string>{"doc.dat"});
}

TEST_F(BookmarkTest, MergeAddsTheImportGroupToTheTree) {
  item("old.dat", "http://old/");
  store::Tree tree = scan();
  store::TemplateTable templates;
  store::FixedPrompt prompt(true);
  store::TreeContext ctx{tree, templates, base(), false, prompt};
  const ImportResult r =
      import_bookmarks(kHead + "<H3>G</H3><DL><A HREF=\"http://n/\">new</A></DL>", data());
  const store::NodeId g = merge_imported_group(ctx, r);
  ASSERT_NE(g, store::kNoNode);
  EXPECT_NE(tree.resolve(sj("インポートされたブックマーク/G/new")), store::kNoNode);
  EXPECT_NE(tree.resolve("old"), store::kNoNode);
  // The saved order knows the new nodes.
  store::Tree reread;
  reread.add_root();
  ASSERT_TRUE(store::load_tree_db(reread, data()));
  EXPECT_NE(reread.resolve(sj("インポートされたブックマーク/G/new")), store::kNoNode);
}

TEST_F(BookmarkTest, DroppedLinks) {
  EXPECT_EQ(dropped_link_name("Page.URL"), "Page");
  EXPECT_EQ(dropped_link_name("Page.website"), "Page");
  EXPECT_EQ(dropped_link_name(".url"), ".url");
  EXPECT_EQ(dropped_link_name("a.urls"), "a.urls");

  store::Tree tree = scan();
  store::TemplateTable templates;
  store::FixedPrompt prompt(true);
  store::TreeContext ctx{tree, templates, base(), false, prompt};
  const store::NodeId made = add_dropped_link(ctx, tree.root(), "http://drop/", "Dropped.url");
  ASSERT_NE(made, store::kNoNode);
  EXPECT_EQ(tree.find(made)->label, "Dropped");
  EXPECT_EQ(url_of("Dropped.dat"), "http://drop/");
  EXPECT_EQ(add_dropped_link(ctx, tree.root(), "", ""), store::kNoNode);
}

}  // namespace
}  // namespace ks::present
