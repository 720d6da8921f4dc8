#include <gtest/gtest.h>

#include "convert_test_util.h"

namespace ks::convert::test {
namespace {

std::string rss(std::string_view items) {
  return "<?xml version=\"1.0\"?>\n<rss version=\"2.0\"><channel><title>Channel</title>"
         "<link>http://example.org/</link><description>About</description>\n" +
         std::string(items) + "</channel></rss>\n";
}

TEST(Feeds, RssItemBecomesOneLinkLine) {
  EXPECT_EQ(convert(rss("<item><title>A &amp; B</title><link>p?a=1&amp;b=2</link></item>")),
            "<a href=\"http://example.org/dir/p?a=1&b=2\">A & B</a>\n");
}

TEST(Feeds, ItemWithoutLinkOrTitle) {
  EXPECT_EQ(convert(rss("<item><title>Only title</title></item>\n"
                        "<item><link>http://x.org/l</link></item>")),
            "Only title\n<a href=\"http://x.org/l\">http://x.org/l</a>\n");
}

TEST(Feeds, ChannelTextProducesNothingAndTextBeforeTheRootStays) {
  EXPECT_EQ(convert("before<rss><channel><title>T</title><description>D</description>"
                    "</channel></rss>"),
            "before");
}

TEST(Feeds, AtomLinkTakesTheAlternate) {
  std::string feed =
      "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>F</title>"
      "<entry><title>E1</title><link rel=\"self\" href=\"x\"/>"
      "<link rel=\"alternate\" href=\"y\"/></entry>"
      "<entry><title>E2</title><link href=\"z\"/></entry></feed>";
  EXPECT_EQ(convert(feed),
            "<a href=\"http://example.org/dir/y\">E1</a>\n"
            "<a href=\"http://example.org/dir/z\">E2</a>\n");
}

TEST(Feeds, DescriptionWithEscapedMarkupBecomesLines) {
  ConvertSettings s = settings();
  s.save_rss_description = true;
  EXPECT_EQ(convert(rss("<item><title>T</title><link>/t</link><description>"
                        "&lt;p&gt;One&lt;/p&gt;&lt;p&gt;Two&lt;/p&gt;</description></item>"),
                    s),
            "<a href=\"http://example.org/t\">T</a>\n\nOne\nTwo\n\n");
  // Without the setting the description is dropped.
  EXPECT_EQ(convert(rss("<item><title>T</title><description>D</description></item>")), "T\n");
}

TEST(Feeds, CdataKeepsReferencesAndDropsMarkup) {
  ConvertSettings s = settings();
  s.save_rss_description = true;
  EXPECT_EQ(convert(rss("<item><title>T</title>"
                        "<description><![CDATA[<b>x</b> &amp; y]]></description></item>"),
                    s),
            "T\nx &amp; y\n");
}

TEST(Feeds, ContentEncodedWithSaveRssContent) {
  ConvertSettings s = settings();
  s.save_rss_content = true;
  EXPECT_EQ(convert(rss("<item><title>T</title><pubDate>Mon</pubDate>"
                        "<content:encoded><![CDATA[<p>Body</p>]]></content:encoded></item>"),
                    s),
            "T\n\nBody\n\n");
}

TEST(Feeds, EntitiesOfTheFeedLayer) {
  EXPECT_EQ(convert(rss("<item><title>a&nbsp;b &#x2460; &#9312; x & y; z</title></item>")),
            "ab " + sj("①") + " " + sj("①") + " x z\n");
}

TEST(Feeds, RdfItemsAndAnUnfinishedItem) {
  std::string rdf =
      "<rdf:RDF><channel><title>C</title></channel>"
      "<item><title>R1</title><link>http://r/1</link></item>"
      "<item><title>open";
  EXPECT_EQ(convert(rdf), "<a href=\"http://r/1\">R1</a>\n");
}

TEST(Feeds, LongFieldsAreCut) {
  std::string title(6000, 't');
  std::string out = convert(rss("<item><title>" + title + "</title></item>"));
  EXPECT_EQ(out, std::string(4999, 't') + "\n");
}

TEST(Feeds, SecondPassStartsOutsideFeedMode) {
  // UTF-8 found only at the end: the feed is converted again from scratch.
  std::string feed = rss("<item><title>日本</title><link>/j</link></item>");
  EXPECT_EQ(convert(feed), "<a href=\"http://example.org/j\">" + sj("日本") + "</a>\n");
}

}  // namespace
}  // namespace ks::convert::test
