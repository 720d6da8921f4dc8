// A temporary folder for a whole fuzzing run, removed when the process ends
// (by the standard library: the core's tables may be gone by then).
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace ks::fuzz {

// `name` goes into the folder's name so leftovers of a killed run can be told
// apart in /tmp.
inline const std::string& work_folder(const char* name) {
  struct Folder {
    explicit Folder(const char* n) {
      std::string tmpl = std::string("/tmp/ks_fuzz_") + n + "_XXXXXX";
      if (!::mkdtemp(tmpl.data())) std::abort();
      path = tmpl;
    }
    ~Folder() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
    std::string path;
  };
  static const Folder folder(name);
  return folder.path;
}

}  // namespace ks::fuzz
