#include "support/app_folder.h"

#include <stdexcept>

#include "platform/fs.h"
#include "platform/sjis.h"

namespace ks::test {

AppFolder::AppFolder() : app_(dir_.path() + "/") {
  if (!make_dirs(data() + "/" + utf8_to_sjis("テンプレート"))) {
    throw std::runtime_error("cannot create the data folder");
  }
}

std::string AppFolder::in_data(std::string_view rel) const {
  return path_join(data(), rel);
}

std::string AppFolder::make_dir(std::string_view rel) const {
  std::string p = in_data(rel);
  if (!make_dirs(p)) throw std::runtime_error("cannot create " + p);
  return p;
}

std::string AppFolder::write(std::string_view rel, std::string_view bytes) const {
  std::string p = in_data(rel);
  auto slash = p.rfind('/');
  if (slash != std::string::npos) make_dirs(p.substr(0, slash));
  if (!write_file_atomic(p, bytes)) throw std::runtime_error("cannot write " + p);
  return p;
}

}  // namespace ks::test
