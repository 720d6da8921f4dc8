// The folders of one run: the application folder (kestrelscan.ini and the
// state files), the work folder (files of the current run only), the base
// folder (the application folder, or CUSTOM_DATA_FOLDER + "/Kestrelscan/"),
// the data folder (base + "data", the tree's root) and the template folder.
// Computed once at start-up and then only read, so any thread may read them.
#pragma once

#include <string>
#include <string_view>

namespace ks::store {

struct Folders {
  std::string app;        // ends in '/'
  std::string work;       // app + "temp"
  std::string work_utf8;  // the work folder as the OS names it (browser profiles)
  std::string base;       // ends in '/'
  std::string data;       // base + "data"
  std::string templates;  // data + "/テンプレート"
};

// The longest work folder path kept in UTF-8.
inline constexpr std::size_t kMaxWorkUtf8Bytes = 780;

// First step of start-up: fills app, work and work_utf8 and creates the work
// folder (with its parents). False when the work folder cannot be created.
bool prepare_app_folders(std::string_view app_folder, Folders& out);

// Second step, after the global options are read: fills base, data and
// templates and creates what is missing (the custom base with all parents,
// the data and template folders one level each). A failure to create a
// folder is not reported here; later operations on it fail one by one.
void prepare_data_folders(Folders& f, bool use_custom_folder, std::string_view custom_folder);

// The base folder for a custom data folder: a separator is added unless the
// path already ends in one (a final byte that is the trail byte of a
// double-byte character is not a separator), then "Kestrelscan/".
std::string custom_base_folder(std::string_view custom_folder);

// True when the path's last character is the separator '/'. The scan steps
// over double-byte characters, so a trail byte never counts as a separator
// (a backslash is an ordinary character in names here).
bool ends_with_separator(std::string_view path);

// Creates a folder and every missing parent. A trailing separator is allowed.
bool make_folder_path(std::string_view path);

// Empties the work folder at shut-down: when it holds anything it is deleted
// with its contents; an empty work folder is left alone. True when nothing
// is left in it afterwards.
bool clean_work_folder(std::string_view work_folder);

}  // namespace ks::store
