#include "present/link_file.h"

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "platform/sjis.h"
#include "support/temp_dir.h"

namespace ks::present {
namespace {

TEST(LinkFile, ShortcutAndDesktopLinksGiveNameAndUrl) {
  test::TempDir dir;
  const std::string url_file = dir.path() + "/" + utf8_to_sjis("ニュース.URL");
  ASSERT_TRUE(write_file_atomic(url_file, "[InternetShortcut]\r\nURL=http://a.example/x\r\n"));
  auto a = read_link_file(url_file);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->name, utf8_to_sjis("ニュース"));
  EXPECT_EQ(a->url, "http://a.example/x");

  const std::string desktop = dir.path() + "/blog.desktop";
  ASSERT_TRUE(
      write_file_atomic(desktop, "[Desktop Entry]\nType=Link\nURL=http://b.example/日記\n"));
  auto b = read_link_file(desktop);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->name, "blog");
  EXPECT_EQ(b->url, utf8_to_sjis("http://b.example/日記"));
}

TEST(LinkFile, OtherFilesAndProgramEntriesAreNoLinks) {
  test::TempDir dir;
  const std::string app = dir.path() + "/editor.desktop";
  ASSERT_TRUE(write_file_atomic(app, "[Desktop Entry]\nType=Application\nExec=vi\n"));
  EXPECT_FALSE(read_link_file(app));
  const std::string text = dir.path() + "/notes.txt";
  ASSERT_TRUE(write_file_atomic(text, "URL=http://x/\n"));
  EXPECT_FALSE(read_link_file(text));
  EXPECT_FALSE(read_link_file(dir.path() + "/missing.url"));
  const std::string huge = dir.path() + "/huge.url";
  ASSERT_TRUE(write_file_atomic(
      huge, "[InternetShortcut]\nURL=http://x/\n" + std::string(kMaxDroppedLinkFileBytes, ';')));
  EXPECT_FALSE(read_link_file(huge));
}

}  // namespace
}  // namespace ks::present
