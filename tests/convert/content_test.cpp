// Skipped content, textarea, preformatted content, comments and CDATA.
#include <gtest/gtest.h>

#include "convert_test_util.h"

namespace ks::convert::test {
namespace {

TEST(Skipping, ScriptIsDroppedUpToTheFirstCompleteEndTag) {
  EXPECT_EQ(convert("<script>if (a<b) x=\"</scr\"+\"ipt>\";</script>text"), "text");
  EXPECT_EQ(convert("<SCRIPT>x</SCRIPT >y</Script>z"), "z");
}

TEST(Skipping, SelfClosingScriptSkipsToTheNextEndTag) {
  EXPECT_EQ(convert("a<script src=\"x\"/>hidden</script>b"), "ab");
}

TEST(Skipping, StyleAndOptgroupAreDropped) {
  EXPECT_EQ(convert("a<style>p{}</style>b<optgroup>o</optgroup>c"), "abc");
}

TEST(Skipping, SelectDependsOnSaveSelect) {
  std::string page = "x<select><option>One<option>Two</select>y";
  EXPECT_EQ(convert(page), "xy");
  ConvertSettings s = settings();
  s.save_select = true;
  // </select> itself has no effect: the text after it joins the last option.
  EXPECT_EQ(convert(page, s), "x\nOne\nTwoy");
}

TEST(Skipping, UnterminatedSkipEndsTheText) {
  EXPECT_EQ(convert("a<script>never ends"), "a");
}

TEST(Textarea, ContentIsPreformattedAndEndsWithABreak) {
  EXPECT_EQ(convert("x<textarea>a  <b>\n</textareax</textarea>y"),
            "x\na &nbsp;&lt;b&gt;\n&lt;/textareax\ny");
}

TEST(Pre, SpacesAreKeptAsNonBreakingSpaces) {
  EXPECT_EQ(convert("<pre>a  b\n c\n\nd</pre>"), "\na &nbsp;b\n&nbsp;c\n\nd\n");
}

TEST(Pre, LineEndsOfAllKindsCountOnce) {
  EXPECT_EQ(convert("<pre>\r\na\r\nb\rc\nd</pre>"), "\n\na\nb\nc\nd\n");
}

TEST(Pre, TagsStillOpenAndEscapedTextStaysEscaped) {
  EXPECT_EQ(convert("<pre>&lt;x&gt; <b>bold</b> 1 < 2</pre>"), "\n&lt;x&gt; bold 1 &lt; 2\n");
}

TEST(Pre, AnAnchorStaysOpenAcrossPreformattedLines) {
  EXPECT_EQ(convert("<pre><a href=\"u\">a\nb</a></pre>"),
            "\n<a href=\"http://example.org/dir/u\">a\nb</a>\n");
}

TEST(PlainText, AsTextKeepsEverythingButEscapesAngleBrackets) {
  ConvertSettings s = settings();
  s.as_text = true;
  EXPECT_EQ(convert("<b>x</b>  y\r\n\r\nz", s), "&lt;b&gt;x&lt;/b&gt;  y\n\nz");
}

TEST(Comments, AreDroppedUnlessSaveComment) {
  std::string page = "a<!-- note -- more --->b";
  EXPECT_EQ(convert(page), "ab");
  ConvertSettings s = settings();
  s.save_comment = true;
  EXPECT_EQ(convert("a<!-- x\n<y> -->b", s), "a\n&lt;!-- x &lt;y&gt; --&gt;\nb");
}

TEST(Comments, DeclarationsAndOddBangTagsEndAtTheirBracket) {
  EXPECT_EQ(convert("<!DOCTYPE html>a<!>b<![if IE]>c<![endif]>d"), "abcd");
}

TEST(Cdata, ContentIsPreformattedText) {
  EXPECT_EQ(convert("a<![CDATA[x <y> ]]]>b"), "ax &lt;y&gt; ]b");
}

TEST(Content, UnterminatedTagAtTheEndIsDropped) {
  EXPECT_EQ(convert("text<a href=\"x"), "text");
  EXPECT_EQ(convert("text<!-- open"), "text");
}

TEST(Content, TagLimitsCutQuietly) {
  std::string many = "<img";
  for (int i = 0; i < 1200; ++i) many += " alt=x" + std::to_string(i);
  many += ">after";
  std::string out = convert(many);
  EXPECT_NE(out.find("alt=\"x0\""), std::string::npos);
  EXPECT_EQ(out.find("alt=\"x600\""), std::string::npos);  // beyond 999 tokens
  EXPECT_EQ(out.substr(out.size() - 5), "after");

  std::string huge = "<img alt=\"" + std::string(100000, 'a') + "\">z";
  out = convert(huge);
  EXPECT_LT(out.size(), 70000u);
  EXPECT_EQ(out.back(), 'z');
}

}  // namespace
}  // namespace ks::convert::test

namespace ks::convert::test {
namespace {

TEST(Content, OutputOfAPassIsCapped) {
  // Each line break repeats the anchor's long URL: a few bytes of page per
  // line become kilobytes of text.
  std::string page = "<a href=\"http://e.org/" + std::string(4000, 'a') + "\">";
  for (int i = 0; i < 200; ++i) page += "x<br>";
  ConvertSettings s = settings();
  EXPECT_GT(convert(page, s).size(), 800000u);
  s.output_limit = 100000;
  std::string out = convert(page, s);
  EXPECT_EQ(out.size(), 100000u);
  EXPECT_EQ(out.substr(0, 9), "<a href=\"");
}

}  // namespace
}  // namespace ks::convert::test
