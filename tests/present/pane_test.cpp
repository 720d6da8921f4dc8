// The in-memory pane: line ends, limits, links, search and the tables.
#include <gtest/gtest.h>

#include <string>

#include "present/buffered_pane.h"
#include "support/recording_pane.h"

namespace ks::present {
namespace {

using testing::RecordingPane;

TEST(BufferedPane, EachLineEndFormEndsExactlyOneLine) {
  RecordingPane pane;
  pane.begin();
  pane.write_text("a\r\nb\rc\nd\r");
  pane.write_text("\ne");  // the CR LF pair split between two writes
  pane.end();
  EXPECT_EQ(pane.text(), "a\nb\nc\nd\ne");
  EXPECT_EQ(pane.current_line(), 4);
}

TEST(BufferedPane, TextKindAppliesToTheTextAfterIt) {
  RecordingPane pane;
  pane.begin();
  pane.write_text("ab");
  pane.set_text_kind(TextKind::kDimmed);
  pane.write_text("cd");
  pane.set_text_kind(TextKind::kHeadline2);
  pane.write_text("e");
  pane.end();
  EXPECT_EQ(pane.attributes(), (std::vector<uint8_t>{0, 0, kAttrDimmed, kAttrDimmed, 0x08}));
}

TEST(BufferedPane, LinksInARowAreKeptApartByASpace) {
  RecordingPane pane;
  pane.begin();
  pane.write_link("one", "http://a/");
  pane.write_link("two", "http://b/");
  pane.write_text("!");
  pane.write_link("three", item_settings_target(42));
  pane.end();
  EXPECT_EQ(pane.marked(), "[one](http://a/) [two](http://b/)![three](#42)");
  ASSERT_EQ(pane.links().size(), 3u);
  EXPECT_EQ(pane.links()[1].start, 4u);
  EXPECT_EQ(pane.attributes()[3], 0);  // the space is no part of a link
  EXPECT_EQ(pane.attributes()[4], kAttrLink);
}

TEST(BufferedPane, TextOfExactlyTheLimitFitsAndOneMoreByteIsCutWithTheNotice) {
  RecordingPane exact;
  exact.write_text(std::string(kPaneTextLimit - 1, 'x'));
  exact.flush();
  EXPECT_FALSE(exact.full());
  EXPECT_EQ(exact.text().size(), kPaneTextLimit - 1);

  RecordingPane over;
  over.write_text(std::string(kPaneTextLimit, 'x'));
  over.write_text("more");
  over.flush();
  EXPECT_TRUE(over.full());
  const std::string notice = KS_SJ(" [表示可能な文字数を超えました]");
  EXPECT_EQ(over.text().size(), kPaneTextLimit - 1 + notice.size());
  EXPECT_EQ(over.text().substr(kPaneTextLimit - 1), notice);
}

TEST(BufferedPane, DoubleByteCharacterStraddlingTheLimitIsDroppedWhole) {
  RecordingPane pane;
  pane.write_text(std::string(kPaneTextLimit - 2, 'x') + "\x82\xa0" + "y");
  pane.flush();
  ASSERT_TRUE(pane.full());
  EXPECT_EQ(pane.text().substr(kPaneTextLimit - 3, 2), "x ");  // "x" then the notice's space
}

TEST(BufferedPane, LineCountIsCapped) {
  RecordingPane pane;
  std::string many;
  for (int i = 0; i < 10005; ++i) many += "l\n";
  pane.write_text(many);
  pane.flush();
  EXPECT_EQ(pane.current_line(), static_cast<int>(kPaneLineLimit) - 1);
}

TEST(BufferedPane, FindStaysInsideLinesAndNeverStartsOnATrailByte) {
  RecordingPane pane;
  // 0x83 0x41 is one character whose second byte is 'A'.
  pane.write_text("\x83\x41Z\nxA\nab");
  EXPECT_EQ(pane.find("A", 0), std::optional<std::size_t>(5));
  EXPECT_EQ(pane.find("A", 6), std::nullopt);
  EXPECT_EQ(pane.find("A\nab", 0), std::nullopt);
  EXPECT_EQ(pane.find("\x83\x41", 0), std::optional<std::size_t>(0));
}

TEST(BufferedPane, ClearEmptiesTextLinksAndTables) {
  RecordingPane pane;
  pane.write_link("x", "http://x/");
  pane.headlines().add(HeadlineKind::kItem, 0);
  pane.keywords().add(0, 1);
  pane.clear();
  EXPECT_EQ(pane.text(), "");
  EXPECT_TRUE(pane.links().empty());
  EXPECT_TRUE(pane.headlines().entries().empty());
  EXPECT_TRUE(pane.keywords().ranges().empty());
  EXPECT_EQ(pane.current_line(), 0);
}

TEST(PaneTables, HeadlinesStopAtTheirCapacityAndNavigate) {
  HeadlineTable t;
  for (std::size_t i = 0; i < kMaxHeadlines; ++i) {
    ASSERT_TRUE(t.add(HeadlineKind::kItem, static_cast<int>(i * 3)));
  }
  EXPECT_FALSE(t.add(HeadlineKind::kError, 99999));
  EXPECT_EQ(t.entries().size(), kMaxHeadlines);
  EXPECT_EQ(t.next_after(4), std::optional<int>(6));
  EXPECT_EQ(t.previous_before(4), std::optional<int>(3));
  EXPECT_EQ(t.previous_before(0), std::nullopt);
}

TEST(PaneTables, ItemSettingsTargetsRoundTrip) {
  EXPECT_EQ(item_settings_target(123),
            "\x01"
            "123");
  EXPECT_EQ(item_settings_node(item_settings_target(123)), std::optional<uint64_t>(123));
  EXPECT_EQ(item_settings_node("http://a/"), std::nullopt);
  EXPECT_EQ(item_settings_node("\x01"
                               "12x"),
            std::nullopt);
}

}  // namespace
}  // namespace ks::present
