// A shared library loaded at run time by name (dlopen), closed when the owner
// goes away. Absence is a normal outcome: callers disable the feature.
#pragma once

#include <string>

namespace ks {

class DynLib {
 public:
  DynLib() = default;
  explicit DynLib(const std::string& name);
  ~DynLib();
  DynLib(const DynLib&) = delete;
  DynLib& operator=(const DynLib&) = delete;
  DynLib(DynLib&& other) noexcept;
  DynLib& operator=(DynLib&& other) noexcept;

  bool loaded() const { return handle_ != nullptr; }
  // nullptr when the library is not loaded or has no such symbol.
  void* symbol(const char* name) const;
  void close();

 private:
  void* handle_ = nullptr;
};

}  // namespace ks
