#include "app/options/options.h"

#include <gtest/gtest.h>

#include "app/options/option_keys.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "support/temp_dir.h"

namespace ks::app_options {
namespace {

Options parsed(std::string_view config_lines) {
  return parse_options("[CONFIG]\r\n" + std::string(config_lines));
}

TEST(Options, AMissingFileGivesEveryDefault) {
  test::TempDir dir;
  Options o = load_options(dir.path() + "/");
  EXPECT_EQ(o.proxy_port, 8080);
  EXPECT_EQ(o.timeout, 30);
  EXPECT_EQ(o.max_connection, 4);
  EXPECT_EQ(o.font.charset, 128);
  EXPECT_EQ(o.midashi_back_color[2], 0x0099FF);
  EXPECT_EQ(o.headers[1], utf8_to_sjis("■■■■ %link; ■■■■ (%date; %time;) %config;"));
  EXPECT_EQ(o.line_height, 150);
}

struct ReadAs {
  const char* line;
  int32_t Options::*field;
  int32_t expected;
};

TEST(Options, ReadAsCorrections) {
  const ReadAs cases[] = {
      {"MAX_CONNECTION=0", &Options::max_connection, 4},
      {"MAX_CONNECTION=33", &Options::max_connection, 4},
      {"MAX_CONNECTION=32", &Options::max_connection, 32},
      {"TX_INTERVAL=10001", &Options::tx_interval, 0},
      {"TX_INTERVAL=-1", &Options::tx_interval, 0},
      {"TX_INTERVAL=2500", &Options::tx_interval, 2500},
      {"N_RELOAD=25", &Options::n_reload, 3},
      {"N_RELOAD=0", &Options::n_reload, 3},
      {"N_RELOAD=24", &Options::n_reload, 24},
      {"MAX_DISP_LINE=2001", &Options::max_disp_line, 100},
      {"MAX_DISP_LINE=2000", &Options::max_disp_line, 2000},
      // Ranges without a rule are taken as stored.
      {"RETRY=50", &Options::retry, 50},
      {"TIMEOUT=1", &Options::timeout, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(parsed(c.line).*c.field, c.expected) << c.line;
}

TEST(Options, KeysIgnoreCaseAsTheProfileFunctionsDo) {
  EXPECT_EQ(parsed("timeout=45\r\n").timeout, 45);
}

TEST(Options, WriteOrderIsFontThenConfigWithTheTreeFontInside) {
  Options o;
  o.custom_colors[3] = 0x123456;
  o.tree_font.face_name = "Tree Face";
  std::string s = serialize_options("", o);
  auto at = [&](std::string_view key) { return s.find(std::string(key)); };
  EXPECT_EQ(at("[FONT]\r\nFACENAME=\r\nPOINT=10\r\n"), 0u);
  EXPECT_LT(at("BACKCOLOR="), at("LINKCOLOR="));
  EXPECT_LT(at("MIDASHI_LINKCOLOR2="), at("CUSTCOLOR0="));
  EXPECT_LT(at("CUSTCOLOR15="), at("LINE_HEIGHT="));
  EXPECT_LT(at("LINE_HEIGHT="), at("[CONFIG]\r\nPROXY_URL="));
  EXPECT_LT(at("[CONFIG]"), at("[TREEFONT]\r\nFACENAME=Tree Face\r\n"));
  // The tree's record is written with its own copy of the custom colours.
  EXPECT_NE(s.find("[TREEFONT]"), std::string::npos);
  EXPECT_NE(s.find("CUSTCOLOR3=1193046", s.find("[TREEFONT]")), std::string::npos);
}

TEST(Options, EveryKeyRoundTripsThroughTheFile) {
  test::TempDir dir;
  const std::string app = dir.path() + "/";
  Options in;
  int n = 0;
  for (const OptionKey& k : option_keys()) {
    if (k.write_only) continue;
    if (k.type == OptionType::kInt) {
      k.int_of(in) = k.max - (n % 2);
    } else {
      k.str_of(in) = std::string(k.name).substr(0, 6) + std::to_string(n);
    }
    ++n;
  }
  in.headers[0] = "line1\r\nline2";
  ASSERT_TRUE(save_options(app, in));
  EXPECT_NE(read_file(app + "kestrelscan.ini")->find("HEADER=line1\x01\x02line2\r\n"),
            std::string::npos);
  Options out = load_options(app);
  for (const OptionKey& k : option_keys()) {
    if (!k.write_only) {
      EXPECT_EQ(option_text(k, out), option_text(k, in)) << k.name;
    }
  }
}

TEST(Options, SettingByTextChecksNumberRangeAndCapacity) {
  Options o;
  const OptionKey* timeout = find_option_key("CONFIG", "TIMEOUT");
  ASSERT_TRUE(timeout);
  EXPECT_EQ(set_option_text(*timeout, o, "12x"), SetStatus::kNotANumber);
  EXPECT_EQ(set_option_text(*timeout, o, "100"), SetStatus::kOutOfRange);
  EXPECT_EQ(set_option_text(*timeout, o, "60"), SetStatus::kOk);
  EXPECT_EQ(o.timeout, 60);
  const OptionKey* color = find_option_key("FONT", "LINKCOLOR");
  EXPECT_EQ(set_option_text(*color, o, "0x00FF00"), SetStatus::kOk);
  EXPECT_EQ(o.link_color, 0x00FF00);
  const OptionKey* hl = find_option_key("CONFIG", "HIGHLIGHT19");
  EXPECT_EQ(set_option_text(*hl, o, std::string(65, 'h')), SetStatus::kTooLong);
  EXPECT_EQ(set_option_text(*hl, o, std::string(64, 'h')), SetStatus::kOk);
  EXPECT_FALSE(find_option_key("CONFIG", "NO_SUCH_KEY"));
}

}  // namespace
}  // namespace ks::app_options
