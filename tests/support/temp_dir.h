// A fresh folder below the system temporary folder, removed with everything in
// it when the test ends. path() is a Shift_JIS core path (ASCII here).
#pragma once

#include <string>

namespace ks::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string file(const std::string& name) const;

 private:
  std::string path_;
};

}  // namespace ks::test
