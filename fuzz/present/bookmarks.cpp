// Bookmark import: any bytes give folders only inside the data folder, each
// group a ".grp" and each item a ".dat" folder holding a site.db, and paths
// within the store's limit. Inputs with an odd first byte get the bookmark
// type line in front, so the scanner is reached most of the time.
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
#include "work_folder.h"

namespace {

void check_tree(const std::string& folder, int depth) {
  if (depth > 200 || folder.size() > ks::store::kMaxPathBytes) std::abort();
  for (const auto& e : ks::scan_dir(folder)) {
    const std::string path = ks::path_join(folder, e.name);
    if (e.name == "." || e.name == ".." || e.name.find('/') != std::string::npos) std::abort();
    if (!e.is_dir) {
      if (e.name != "site.db") std::abort();
      continue;
    }
    if (ks::store::has_extension(e.name, ".dat")) {
      if (!ks::is_regular_file(path + "/site.db")) std::abort();
    } else if (!ks::store::has_extension(e.name, ".grp")) {
      std::abort();
    }
    check_tree(path, depth + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 8192) return 0;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (size > 0 && (data[0] & 1)) bytes = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n" + bytes.substr(1);
  const std::string base = ks::fuzz::work_folder("bookmarks");
  const std::string data_folder = base + "/data";
  ks::make_dirs(data_folder);
  ks::present::import_bookmarks(bytes, data_folder);
  // Nothing but the data folder appears beside it.
  const auto top = ks::scan_dir(base);
  if (top.size() != 1 || top[0].name != "data") std::abort();
  check_tree(data_folder, 0);
  ks::remove_tree(data_folder);
  return 0;
}
