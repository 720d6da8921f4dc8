#include "platform/dynlib.h"

#include <dlfcn.h>

#include <utility>

namespace ks {

DynLib::DynLib(const std::string& name) : handle_(dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL)) {}

DynLib::~DynLib() {
  close();
}

DynLib::DynLib(DynLib&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

DynLib& DynLib::operator=(DynLib&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

void* DynLib::symbol(const char* name) const {
  return handle_ ? dlsym(handle_, name) : nullptr;
}

void DynLib::close() {
  if (handle_) dlclose(std::exchange(handle_, nullptr));
}

}  // namespace ks
