// Anchors, images, frames and refresh.
#include <gtest/gtest.h>

#include "convert_test_util.h"

namespace ks::convert::test {
namespace {

TEST(Links, HrefIsResolvedAgainstThePageOrTheBase) {
  EXPECT_EQ(convert("<a href=\"b.html\">x</a>"), "<a href=\"http://example.org/dir/b.html\">x</a>");
  EXPECT_EQ(convert("<base href=\"http://other.net/d/\"><a href=\"b.html\">x</a>"),
            "<a href=\"http://other.net/d/b.html\">x</a>");
  EXPECT_EQ(convert("<a href=\"HTTPS://secure.example/a b\">x</a>"),
            "<a href=\"HTTPS://secure.example/a b\">x</a>");
}

TEST(Links, AnchorIsClosedAndReopenedAtLineBreaks) {
  EXPECT_EQ(convert("<a href=\"x\">one<br>two</a>"),
            "<a href=\"http://example.org/dir/x\">one</a>\n"
            "<a href=\"http://example.org/dir/x\">two</a>");
}

TEST(Links, PendingSpaceGoesInsideTheAnchorBeforeItCloses) {
  EXPECT_EQ(convert("<a href=\"/\">a </a>b"), "<a href=\"http://example.org/\">a </a>b");
  EXPECT_EQ(convert("x <a href=\"/\">a</a> y"), "x <a href=\"http://example.org/\">a</a> y");
}

TEST(Links, NamedAnchorsPointIntoThePage) {
  EXPECT_EQ(convert("<a name=\"top\"></a>"),
            "<a href=\"http://example.org/dir/page.html#top\"></a>");
  EXPECT_EQ(convert("<a id=\"s\"/>z"), "<a href=\"http://example.org/dir/page.html#s\"></a>z");
  ConvertSettings s = settings();
  s.ignore_a_name = true;
  EXPECT_EQ(convert("<a name=\"top\"></a>", s), "");
  EXPECT_EQ(convert("<a name=\"top\">Top</a>", s), "<a href=\"\">Top</a>");
}

TEST(Links, AnchorWithoutHrefStillWrapsItsText) {
  EXPECT_EQ(convert("<a onclick=\"f()\">go</a>"), "<a href=\"\">go</a>");
}

TEST(Links, LastUsableHrefWinsAndEmptyOnesAreSkipped) {
  EXPECT_EQ(convert("<a href=\"1\" href=\"\" href=2>x</a>"),
            "<a href=\"http://example.org/dir/2\">x</a>");
}

TEST(Links, OverlongHrefGivesAnEmptyUrl) {
  std::string longurl = "http://e.org/" + std::string(10000, 'a');
  EXPECT_EQ(convert("<a href=\"" + longurl + "\">x</a>"), "<a href=\"\">x</a>");
}

TEST(Links, QuotesInAUrlCannotBreakTheMarkup) {
  EXPECT_EQ(convert("<a href='http://e.org/\"x'>y</a>"), "<a href=\"http://e.org/&quot;x\">y</a>");
}

TEST(Images, SourceAndAltAreKeptOnTheLine) {
  EXPECT_EQ(convert("see <img src=\"a.png\" alt=\"Logo\" width=\"10\"> here"),
            "see <img src=\"http://example.org/dir/a.png\" alt=\"Logo\"> here");
  EXPECT_EQ(convert("<img width=1>"), "<img>");
  EXPECT_EQ(convert("<a href=\"/\"><img src=\"i.gif\"></a>"),
            "<a href=\"http://example.org/\"><img src=\"http://example.org/dir/i.gif\"></a>");
}

TEST(Frames, FrameLinesCarryTheSourceAsItStands) {
  EXPECT_EQ(convert("<frame src=\"menu.html\" name=\"left\">"),
            "<a href=\"menu.html\">" + sj("[フレーム:left]") + "</a>");
  EXPECT_EQ(convert("<frame name=\"x\">"), "");
}

TEST(Frames, InlineFramesOnlyWithSaveIframe) {
  EXPECT_EQ(convert("<iframe src=\"ad.html\"></iframe>"), "");
  ConvertSettings s = settings();
  s.save_iframe = true;
  EXPECT_EQ(convert("<iframe src=\"ad.html\"></iframe>", s),
            "<a href=\"ad.html\">" + sj("[インラインフレーム]") + "</a>");
}

TEST(Refresh, MetaRefreshWritesAJumpLine) {
  EXPECT_EQ(convert("<meta http-equiv=\"refresh\" content=\"0; URL=next.html\">after"),
            "[jump to:<a href=\"http://example.org/dir/next.html\">"
            "http://example.org/dir/next.html</a>]\nafter");
  EXPECT_EQ(convert("<meta http-equiv=\"refresh\" content=\"5\">x"), "x");
  EXPECT_EQ(convert("<meta content=\"0; url=n\" http-equiv=\"refresh\">x"), "x");
}

}  // namespace
}  // namespace ks::convert::test
