// Hostile imported files and values: a link's URL can never write settings
// keys of its own, the command line refuses line breaks in values and names,
// and thousands of links of one name are numbered on without slowing down.
#include <set>
#include <string>

#include "hostile_fixture.h"
#include "platform/sjis.h"
#include "store/setting_keys.h"

namespace ks::test {
namespace {

class HostileImports : public HostileTest {
 protected:
  // Every line of an item's site.db is "[CONFIG]" or one of its keys, each
  // key once: no line the writer did not mean to write.
  void expect_only_own_lines(const std::string& site_db) {
    std::set<std::string> seen;
    std::size_t start = 0;
    for (std::size_t end; (end = site_db.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
      const std::string line = site_db.substr(start, end - start);
      if (line == "[CONFIG]") continue;
      const std::string key = line.substr(0, line.find('='));
      EXPECT_NE(store::find_page_setting_key(key), nullptr) << "stray line: " << line;
      EXPECT_TRUE(seen.insert(key).second) << "second copy: " << line;
    }
    EXPECT_EQ(start, site_db.size()) << "unended last line";
  }
  void expect_defaults(const std::string& path) {
    const CliRun r =
        cli({"get", path, "USE_SPECIFIED_PROGRAM", "SPECIFIED_PROGRAM_PATH", "AUTH_TYPE"});
    EXPECT_EQ(r.out, "USE_SPECIFIED_PROGRAM=0\nSPECIFIED_PROGRAM_PATH=\nAUTH_TYPE=0\n") << path;
  }
};

const std::string kInjected =
    "USE_SPECIFIED_PROGRAM=1\nSPECIFIED_PROGRAM_PATH=/bin/touch /tmp/owned\nAUTH_TYPE=1";

TEST_F(HostileImports, LinksCannotWriteSettingsKeysOfTheirOwn) {
  TempDir src;
  const std::string bookmarks = src.file("b.html");
  ASSERT_TRUE(write_file_atomic(bookmarks,
                                "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
                                "<DT><A HREF=\"http://a/\n" +
                                    kInjected + "\">evil</A>\n</DL><p>\n"));
  ASSERT_EQ(cli({"import", bookmarks}).status, 0);
  // A .url file read line by line at LF still holds bare CRs in its URL.
  std::string cr = kInjected;
  for (char& c : cr) c = c == '\n' ? '\r' : c;
  ASSERT_TRUE(make_dirs(src.file("links")));
  ASSERT_TRUE(write_file_atomic(src.file("links/evil.url"),
                                "[InternetShortcut]\r\nURL=http://b/\r" + cr + "\r\n"));
  ASSERT_EQ(cli({"import-links", src.file("links")}).status, 0);

  const std::string bookmark_item = utf8_to_sjis("インポートされたブックマーク.grp/evil");
  const std::string link_item = utf8_to_sjis("IEのお気に入り.grp/evil");
  for (const std::string& item : {bookmark_item, link_item}) {
    expect_only_own_lines(item_text(item, "site.db"));
  }
  expect_defaults("インポートされたブックマーク/evil");
  expect_defaults("IEのお気に入り/evil");
}

TEST_F(HostileImports, CommandLineRefusesLineBreaksInValuesAndControlBytesInNames) {
  add("http://x/", "p");
  EXPECT_EQ(cli({"set", "p", "URL=http://x/\nUSE_SCRIPT=2"}).status, 2);
  EXPECT_EQ(cli({"set", "p", "AUTH_ID=a\rb"}).status, 2);
  EXPECT_EQ(cli({"set", "p", "COMMENT=two\nlines"}).status, 0);  // the one multi-line value
  EXPECT_EQ(cli({"options", "BROWSER=x\ny"}).status, 2);
  EXPECT_EQ(cli({"add", "http://y/\nUSE_SCRIPT=2"}).status, 2);
  EXPECT_EQ(cli({"add", "http://y/", "--name", "a\nb"}).status, 2);
  EXPECT_EQ(cli({"rename", "p", "\tdeeper"}).status, 2);
  EXPECT_EQ(cli({"group", "g\nh"}).status, 2);
  expect_only_own_lines(item_text("p", "site.db"));
  EXPECT_EQ(cli({"get", "p", "COMMENT"}).out, "COMMENT=two\\nlines\n");
  const CliRun list = cli({"list"});
  EXPECT_EQ(list.out.find("a\nb"), std::string::npos);
  EXPECT_NE(list.out.find("  p  [item]"), std::string::npos) << list.out;
}

TEST_F(HostileImports, ThousandsOfLinksOfOneNameAreNumberedOn) {
  TempDir src;
  std::string file = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
  constexpr int kLinks = 10002;  // past the 9,999 numbers one name once could take
  for (int i = 0; i < kLinks; ++i) file += "<DT><A HREF=\"http://s/\">same</A>\n";
  ASSERT_TRUE(write_file_atomic(src.file("b.html"), file + "</DL><p>\n"));
  const CliRun r = cli({"import", src.file("b.html")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("(10002"), std::string::npos) << r.out;
  const std::string group = data() + "/" + utf8_to_sjis("インポートされたブックマーク.grp");
  EXPECT_TRUE(is_directory(group + "/same(10001).dat"));
  EXPECT_FALSE(path_exists(data() + "/" + utf8_to_sjis("!アイテム名が長い.grp")));
}

}  // namespace
}  // namespace ks::test
