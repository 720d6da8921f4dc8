#include "store/folders.h"

#include <sys/stat.h>

#include "platform/fs.h"
#include "platform/sjis.h"
#include "store/tree.h"

namespace ks::store {
namespace {
bool make_one_folder(const std::string& path) {
  if (is_directory(path)) return true;
  return ::mkdir(to_os_path(path).c_str(), 0777) == 0 || is_directory(path);
}
}  // namespace

bool prepare_app_folders(std::string_view app_folder, Folders& out) {
  out.app.assign(app_folder);
  if (!out.app.empty() && !ends_with_separator(out.app)) out.app += kPathSep;
  out.work = out.app + "temp";
  out.work_utf8 = to_os_path(out.work);
  if (out.work_utf8.size() > kMaxWorkUtf8Bytes) out.work_utf8.resize(kMaxWorkUtf8Bytes);
  return make_dirs(out.work);
}

bool ends_with_separator(std::string_view path) {
  bool last_is_sep = false;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (is_sjis_pair(path, i)) {
      last_is_sep = false;  // a trail byte 0x5C is part of the character
      ++i;
      continue;
    }
    last_is_sep = path[i] == kPathSep;
  }
  return last_is_sep;
}

std::string custom_base_folder(std::string_view custom_folder) {
  std::string base(custom_folder);
  if (!ends_with_separator(base)) base += kPathSep;
  base += "Kestrelscan";
  base += kPathSep;
  return base;
}

void prepare_data_folders(Folders& f, bool use_custom_folder, std::string_view custom_folder) {
  if (use_custom_folder && !custom_folder.empty()) {
    f.base = custom_base_folder(custom_folder);
    if (!is_directory(f.base)) make_folder_path(f.base);
  } else {
    f.base = f.app;
  }
  f.data = f.base + std::string(Tree::root_label());
  f.templates = f.data + kPathSep + Tree::template_root_label();
  // One level each: when the base itself is gone, the data folder is not
  // quietly re-made in its place.
  make_one_folder(f.data);
  make_one_folder(f.templates);
}

bool make_folder_path(std::string_view path) {
  while (!path.empty() && path.back() == kPathSep) path.remove_suffix(1);
  if (path.empty()) return true;
  return make_dirs(path);
}

bool clean_work_folder(std::string_view work_folder) {
  if (!is_directory(work_folder)) return true;
  if (scan_dir(work_folder).empty()) return true;
  return remove_tree(work_folder);
}

}  // namespace ks::store
