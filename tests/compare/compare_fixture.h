// Shared scaffolding for the change-detection tests: an item folder in a
// temporary directory, texts written as the converter writes them (a header
// line, CR LF), and the comparison run on them.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "compare/compare_step.h"
#include "compare/line_list.h"
#include "compare/log_files.h"
#include "platform/fs.h"
#include "support/temp_dir.h"

namespace ks::compare::test {

using Lines = std::vector<std::string>;

inline std::string text_of(const Lines& lines, const std::string& header = "Last-Modified: x") {
  std::string s = header + "\r\n";
  for (const auto& l : lines) s += l + "\r\n";
  return s;
}

// Lines of a written file without the CR LF; the header line included.
inline Lines read_lines(const std::string& path) {
  Lines out;
  auto data = read_file(path);
  if (!data) return out;
  std::size_t pos = 0;
  while (pos < data->size()) {
    std::size_t e = data->find("\r\n", pos);
    if (e == std::string::npos) e = data->size();
    out.push_back(data->substr(pos, e - pos));
    pos = e + 2;
  }
  return out;
}

// The lines of add.txt / del.txt without the header line.
inline Lines body_lines(const std::string& path) {
  Lines l = read_lines(path);
  if (!l.empty() && is_last_modified_line(l[0])) l.erase(l.begin());
  return l;
}

class CompareFixture : public ::testing::Test {
 protected:
  CompareFixture() { task_.folder = dir_.path(); }

  void write_old(const Lines& lines, int n = 0) {
    write_file_atomic(dir_.file("log" + std::to_string(n) + ".txt"), text_of(lines));
  }
  void write_new(const Lines& lines) { write_file_atomic(dir_.file("new.txt"), text_of(lines)); }
  CheckStatus run() { return compare_item(task_); }
  // Where the comparison writes its lines: add<n>.txt / del<n>.txt of the
  // log number after the current one.
  std::string out(const std::string& kind) {
    return numbered_log_path(dir_.path(), kind, next_log_number(task_.log_number));
  }
  // Reported lines of the add and del files without the header line.
  Lines added() { return body(out("add")); }
  Lines deleted() { return body(out("del")); }
  store::PageSettings& settings() { return task_.settings; }

  static Lines body(const std::string& path) { return body_lines(path); }

  ks::test::TempDir dir_;
  CompareTask task_;
};

}  // namespace ks::compare::test
