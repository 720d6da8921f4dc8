#include <gtest/gtest.h>

#include "convert_test_util.h"

namespace ks::convert::test {
namespace {

ConvertSettings layout(int table_setting) {
  ConvertSettings s = settings();
  s.table_setting = table_setting;
  return s;
}

TEST(Breaks, BlockTagBeforeAnyTextGivesAnEmptyFirstLine) {
  EXPECT_EQ(convert("<p>Hello</p>"), "\nHello\n");
  EXPECT_EQ(convert("<div>a</div><div>b</div>"), "\na\nb\n");
}

TEST(Breaks, SoftBreaksDoNotRepeatButForcedOnesDo) {
  EXPECT_EQ(convert("text<br><br>more"), "text\n\nmore");
  EXPECT_EQ(convert("a<p><p><div>b"), "a\nb");
  EXPECT_EQ(convert("a<br>b"), "a\nb");
}

TEST(Breaks, SlashBrIsASoftBreak) {
  EXPECT_EQ(convert("a<br>\n<br/>b"), "a\nb");
  EXPECT_EQ(convert("a<br>\n<br>b"), "a\n\nb");
  // With a space before the slash the name is "br" and the '/' an attribute.
  EXPECT_EQ(convert("a<br>\n<br />b"), "a\n\nb");
}

TEST(Breaks, PendingSpaceIsDroppedAtABreak) {
  EXPECT_EQ(convert("one   <br>  two  "), "one\ntwo");
}

TEST(Breaks, TagNamesAreCaseInsensitiveAndUnknownTagsKeepTheirText) {
  EXPECT_EQ(convert("a<DIV>b<Blink>c</BLINK><custom-tag>d"), "a\nbcd");
  EXPECT_EQ(convert("<H1>Title</h1>Body"), "\nTitle\nBody");
}

TEST(Breaks, HeadAndTitleOfAnOrdinaryPage) {
  std::string page =
      "<!DOCTYPE html>\n<html><head><title>T</title></head>\n<body>\n<h2>H</h2>\n<p>P</p>\n</body>"
      "</html>\n";
  EXPECT_EQ(convert(page), "\nT\nH\nP\n");
}

TEST(Tables, LayoutZeroBreaksAtEveryCell) {
  EXPECT_EQ(convert("<table><tr><td>A</td><td>B</td></tr></table>", layout(0)), "\nA\nB\n");
}

TEST(Tables, LayoutOneKeepsEachCellOnOneLine) {
  EXPECT_EQ(convert("<table><tr><td>A<br>a</td><td>B<p>b</td></tr></table>", layout(1)),
            "\nA a\nB b\n");
}

TEST(Tables, LayoutTwoKeepsEachRowOnOneLine) {
  EXPECT_EQ(convert("<tr><td>A</td><td>B</td></tr>", layout(2)), "\nA B\n");
  EXPECT_EQ(convert("<table><tr><td>A<br>x</td>\n<td>B</td></tr>\n<tr><th>C</th><td>D</td></tr>"
                    "</table>after",
                    layout(2)),
            "\nA x B\nC D\nafter");
}

TEST(Tables, CellsCloseAnOpenAnchor) {
  EXPECT_EQ(convert("<tr><td><a href=\"x\">A</td><td>B</td></tr>", layout(2)),
            "\n<a href=\"http://example.org/dir/x\">A</a> B\n");
}

TEST(Tables, EndOfTableStopsSuppression) {
  EXPECT_EQ(convert("<table><tr><td>A</table>x<br>y", layout(1)), "\nA\nx\ny");
}

TEST(Tables, PreformattedTextInsideATableIsOrdinaryText) {
  EXPECT_EQ(convert("<table><tr><td><pre>a  b\nc</pre></td></tr></table>"), "\na b\nc\n");
}

}  // namespace
}  // namespace ks::convert::test
