// Conversion and comparison of different items in parallel change nothing a
// user can see: the same 300 items checked with one conversion at a time and
// with several leave byte-identical data folders and the same results.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "check_fixture.h"
#include "net/net_test_util.h"
#include "platform/sjis.h"

namespace ks::test {
namespace {

constexpr int kItems = 300;

std::string lines(int item, int version, int count) {
  std::string s;
  for (int i = 0; i < count; ++i) {
    s += "<tr><td><a href=\"/n/" + std::to_string(item) + "/" + std::to_string(i) + "\">記事 " +
         std::to_string(i) + "</a></td><td>更新 " + std::to_string(i % 7) + "</td></tr>\n";
  }
  if (version > 1)
    s += "<tr><td>新着 " + std::to_string(item) + " 版 " + std::to_string(version) + "</td></tr>\n";
  return s;
}

// Every kind of answer the stage handles: gzip and chunked bodies, a late
// UTF-8 finding (a second pass), Shift_JIS, not modified, HTTP errors,
// redirects, feeds, and pages too large to be kept in memory.
ScriptedResponse answer(int item, int version) {
  const std::string table =
      "<html><body><table>" + lines(item, version, 40) + "</table></body></html>";
  switch (item % 8) {
    case 0:
      return ScriptedResponse::whole(
          "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n\r\n" +
          net::test::chunked(net::test::gzip_bytes(table), 700));
    case 1:
      return ScriptedResponse::whole(html_answer(
          "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
          "</head>" +
          table.substr(6)));
    case 2:
      return ScriptedResponse::whole(html_answer(utf8_to_sjis(table)));
    case 3:
      return ScriptedResponse::whole("HTTP/1.1 304 Not Modified\r\n\r\n");
    case 4:
      return ScriptedResponse::whole("HTTP/1.1 404 Not Found\r\n\r\n<html>gone</html>");
    case 5:
      return ScriptedResponse::whole("HTTP/1.1 302 Found\r\nLocation: /p/" +
                                     std::to_string(item + 2) + "\r\n\r\n");
    case 6:
      return ScriptedResponse::whole(
          "HTTP/1.1 200 OK\r\nContent-Type: application/rss+xml\r\n\r\n<?xml version=\"1.0\" "
          "encoding=\"utf-8\"?><rss version=\"2.0\"><channel><item><title>記事 " +
          std::to_string(version) + "</title><link>http://x/" + std::to_string(item) +
          "</link></item></channel></rss>");
    default:
      if (item % 48 == 7)
        return ScriptedResponse::whole(html_answer(table + lines(item, version, 3000)));
      return ScriptedResponse::whole(html_answer(table));
  }
}

// Relative path -> bytes of every file below `folder`.
void files_below(const std::string& folder, const std::string& rel,
                 std::map<std::string, std::string>& out) {
  for (const DirEntry& e : scan_dir(path_join(folder, rel))) {
    const std::string r = rel.empty() ? e.name : rel + "/" + e.name;
    if (e.is_dir) {
      files_below(folder, r, out);
    } else {
      out[r] = read_file(path_join(folder, r)).value_or("(unreadable)");
    }
  }
}

std::map<std::string, int> results(const RecordingHost& host, const store::Tree& tree) {
  std::map<std::string, int> out;
  for (const check::ItemFinished& f : host.finished()) {
    if (const store::Node* n = tree.find(f.node)) out[n->label] = f.result_code;
  }
  return out;
}

TEST(ParallelCheck, OneAtATimeAndInParallelLeaveTheSameBytes) {
  CheckBench serial;
  CheckBench parallel;
  serial.convert_slots = 1;
  parallel.convert_slots = 4;
  for (int version = 1; version <= 2; ++version) {
    for (int i = 0; i < kItems; ++i)
      serial.server.on("/p/" + std::to_string(i), answer(i, version));
  }
  for (CheckBench* b : {&serial, &parallel}) {
    for (int i = 0; i < kItems; ++i) {
      b->add_item("i" + std::to_string(i) + ".dat", serial.url("/p/" + std::to_string(i)),
                  [i](store::PageSettings& s) { s.detect_deleted_lines = i % 3 == 0; });
    }
    b->scan();
  }
  for (int version = 1; version <= 3; ++version) {
    for (int i = 0; i < kItems; ++i) {
      serial.server.on("/p/" + std::to_string(i), answer(i, version == 3 ? 2 : version));
    }
    for (CheckBench* b : {&serial, &parallel}) {
      b->host.clear();
      b->run();
    }
    EXPECT_EQ(results(serial.host, serial.tree), results(parallel.host, parallel.tree))
        << "check " << version;
    EXPECT_EQ(results(serial.host, serial.tree).size(), static_cast<std::size_t>(kItems));
  }
  std::map<std::string, std::string> a, b;
  files_below(serial.app.data(), "", a);
  files_below(parallel.app.data(), "", b);
  ASSERT_EQ(a.size(), b.size());
  for (const auto& [rel, bytes] : a) {
    auto it = b.find(rel);
    ASSERT_NE(it, b.end()) << rel << " is missing in the parallel run";
    EXPECT_EQ(bytes, it->second) << rel;
  }
  // The runs did what they should: changes were found and logs rotated.
  EXPECT_TRUE(a.count("i1.dat/log2.txt"));
  EXPECT_TRUE(a.count("i0.dat/del2.txt"));
}

}  // namespace
}  // namespace ks::test
