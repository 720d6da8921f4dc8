// Converted lines on a pane: anchors, images, references and kept-as-text pages.
#include <gtest/gtest.h>

#include <string>

#include "platform/sjis.h"
#include "present/line_display.h"
#include "support/recording_pane.h"

namespace ks::present {
namespace {

class LineDisplayTest : public ::testing::Test {
 protected:
  std::string show(std::string_view utf8_line) {
    testing::RecordingPane pane;
    pane.begin();
    write_display_line(pane, utf8_to_sjis(utf8_line), style);
    pane.end();
    return pane.marked();
  }
  LineStyle style;
};

TEST_F(LineDisplayTest, AnchorsBecomeLinksWithDecodedText) {
  EXPECT_EQ(show("前 <a href=\"http://a/x?p=1&amp;q\">A &amp; B</a> 後"),
            "前 [A & B](http://a/x?p=1&amp;q) 後\n");
}

TEST_F(LineDisplayTest, AnchorWithoutTextShowsLinkMark) {
  EXPECT_EQ(show("<a href=\"http://a/\"></a>"), "[[link]](http://a/)\n");
  EXPECT_EQ(show("<a href=\"http://a/\"> 　</a>"), "[[link]](http://a/)\n");
}

TEST_F(LineDisplayTest, ImagesShowAltTextNameOrMark) {
  EXPECT_EQ(show("<img src=\"http://a/p/pic.png\" alt=\"猫\">"), "[画像:猫]\n");
  EXPECT_EQ(show("<img src=\"http://a/p/pic.png\">"), "[画像]\n");
  style.disp_image_name = true;
  EXPECT_EQ(show("<img src=\"http://a/p/pic.png\">"), "[画像:pic.png]\n");
  style.image_link = true;
  EXPECT_EQ(show("<img src=\"http://a/p/pic.png\" alt=\"猫\">"),
            "[[画像:猫]](http://a/p/pic.png)\n");
  EXPECT_EQ(show("<img alt=\"猫\">"), "[画像:猫]\n");  // no source, no link
}

TEST_F(LineDisplayTest, ImageInsideALinkJoinsTheLinkText) {
  style.image_link = true;
  EXPECT_EQ(show("<a href=\"http://a/\"><img src=\"http://a/i.gif\" alt=\"x\">続き</a>"),
            "[[画像:x]続き](http://a/)\n");
}

TEST_F(LineDisplayTest, OtherMarkupAndBrokenTagsStayText) {
  EXPECT_EQ(show("<b>x</b> <a href=\"broken"), "<b>x</b> <a href=\"broken\n");
}

TEST_F(LineDisplayTest, SjisTrailBytesAreNoDelimiters) {
  // "ソ" is 0x83 0x5C and "表" 0x95 0x5C: trail bytes equal to '\'.
  EXPECT_EQ(show("<a href=\"http://a/\">ソ表</a>"), "[ソ表](http://a/)\n");
}

TEST_F(LineDisplayTest, ShowHtmlTagWritesMarkupAsItStands) {
  style.show_html_tag = true;
  EXPECT_EQ(show("<a href=\"http://a/\">x &amp; y</a>"), "<a href=\"http://a/\">x & y</a>\n");
}

TEST_F(LineDisplayTest, PageKeptAsTextLinksOnlyQuotedTargets) {
  style.as_text = true;
  style.base_url = "http://h/dir/page.html";
  EXPECT_EQ(show("<A HREF=\"../x.html\">a</A> &lt;img src=\"http://i/p.png\"&gt;"),
            "<A HREF=\"[../x.html](http://h/x.html)\">a</A> <img "
            "src=\"[http://i/p.png](http://i/p.png)\">\n");
  EXPECT_EQ(show("a href=\"unclosed"), "a href=\"unclosed\n");
}

}  // namespace
}  // namespace ks::present
