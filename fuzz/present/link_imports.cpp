// Bookmark and link-file imports: whatever the bytes, every settings file an
// import writes holds only the lines it means to write: "[CONFIG]" and one
// line per page settings key, each key once, every key but URL and COMMENT
// at its default. So nothing an imported link says can name a program to
// run, credentials or any other setting.
//
// The input is a bookmark file's body (the type line is put in front) and
// also the content of a ".url" and of a ".desktop" link file whose name is
// made of the first bytes (control bytes included, as file names may hold).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/fs.h"
#include "present/bookmarks.h"
#include "store/names.h"
#include "store/page_settings_io.h"
#include "store/setting_keys.h"
#include "work_folder.h"

namespace {

// The lines of one site.db the import wrote.
void check_settings_file(const std::string& bytes) {
  const auto& keys = ks::store::page_setting_keys();
  std::size_t lines = 0;
  std::size_t start = 0;
  std::string seen;  // one byte per key: seen or not
  seen.assign(keys.size(), 0);
  while (start < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) std::abort();  // an unended line
    const std::string_view line(bytes.data() + start, end - start);
    for (char c : line) {
      if (c == '\r' || c == '\n' || c == '\0') std::abort();  // a reader would split it
    }
    start = end + 2;
    if (lines++ == 0) {
      if (line != "[CONFIG]") std::abort();
      continue;
    }
    const std::string_view key = line.substr(0, line.find('='));
    if (key.size() == line.size()) std::abort();
    std::size_t k = 0;
    while (k < keys.size() && key != keys[k].name) ++k;
    if (k == keys.size() || seen[k]) std::abort();  // a stray key, or a second copy
    seen[k] = 1;
  }
  if (lines != keys.size() + 1) std::abort();

  ks::store::PageSettings rec = ks::store::default_page_settings();
  ks::store::parse_page_settings(bytes, rec);
  const ks::store::PageSettings defaults = ks::store::default_page_settings();
  for (const auto& key : keys) {
    const std::string_view name = key.name;
    if (key.type == ks::store::KeyType::kInt) {
      if (key.int_of(rec) != key.int_of(defaults)) std::abort();
    } else if (name != "URL" && name != "COMMENT" && !key.str_of(rec).empty()) {
      std::abort();
    }
  }
}

void check_tree(const std::string& folder, int depth) {
  if (depth > 200) std::abort();
  for (const auto& e : ks::scan_dir(folder)) {
    const std::string path = ks::path_join(folder, e.name);
    if (e.is_dir) {
      check_tree(path, depth + 1);
    } else if (e.name == "site.db") {
      check_settings_file(ks::read_file(path).value_or(""));
    } else if (e.name != "tree.db") {
      std::abort();  // nothing but settings files is written
    }
  }
}

// A file name of the first bytes: any byte but '/' and NUL, kept ASCII so
// the name is always valid UTF-8.
std::string link_name(std::string_view bytes) {
  std::string name = "l";
  for (char c : bytes.substr(0, 8)) {
    c = static_cast<char>(c & 0x7F);
    if (c != '/' && c != '\0') name += c;
  }
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 8192) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string base = ks::fuzz::work_folder("link_imports");
  const std::string data_folder = base + "/data";
  const std::string links = base + "/links";
  ks::make_dirs(data_folder);
  ks::make_dirs(links);
  ks::present::import_bookmarks("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n" + std::string(bytes),
                                data_folder);
  const std::string name = link_name(bytes);
  ks::write_file_atomic(links + "/" + name + ".url", bytes);
  ks::write_file_atomic(links + "/" + name + ".desktop",
                        "[Desktop Entry]\nType=Link\n" + std::string(bytes));
  ks::present::import_link_folder(links, data_folder, "links");
  check_tree(data_folder, 0);
  ks::remove_tree(data_folder);
  ks::remove_tree(links);
  return 0;
}
