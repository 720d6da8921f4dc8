// A temporary application folder for tests: a fresh folder holding an empty
// data folder ("data") with its template folder, removed with everything in
// it when the test ends. Paths are Shift_JIS core paths; `rel` names are
// relative to the data folder and use '/'.
#pragma once

#include <string>
#include <string_view>

#include "support/temp_dir.h"

namespace ks::test {

class AppFolder {
 public:
  AppFolder();

  // The application folder, ending in '/' (also the base folder).
  const std::string& app() const { return app_; }
  // app() + "data"
  std::string data() const { return app_ + "data"; }
  // data() + "/" + rel
  std::string in_data(std::string_view rel) const;

  // Creates data()/rel with its parents; returns its path.
  std::string make_dir(std::string_view rel) const;
  // Writes data()/rel whole (creating the folders above it); returns its path.
  std::string write(std::string_view rel, std::string_view bytes) const;

 private:
  TempDir dir_;
  std::string app_;
};

}  // namespace ks::test
