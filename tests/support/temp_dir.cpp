#include "support/temp_dir.h"

#include <cstdlib>
#include <stdexcept>

#include "platform/fs.h"

namespace ks::test {

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string templ = std::string(base && *base ? base : "/tmp") + "/kestrel-test-XXXXXX";
  if (!::mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
  path_ = templ;
}

TempDir::~TempDir() {
  remove_tree(path_);
}

std::string TempDir::file(const std::string& name) const {
  return path_join(path_, name);
}

}  // namespace ks::test
