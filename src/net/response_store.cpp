#include "net/response_store.h"

#include "platform/fs.h"

namespace ks::net {
namespace {

// Made fresh in its folder: a link or special file under the name is
// replaced, never written through.
std::FILE* create_file(const std::string& path) {
  return fopen_for_writing(path);
}

}  // namespace

ResponseStore::ResponseStore(std::string path, std::string* memory, std::size_t memory_limit)
    : path_(std::move(path)), memory_(memory), limit_(memory_limit) {
  if (memory_) {
    memory_->clear();
  } else {
    file_ = create_file(path_);
    spilled_ = true;
  }
}

ResponseStore::~ResponseStore() {
  close();
}

ResponseStore::Append ResponseStore::spill() {
  file_ = create_file(path_);
  spilled_ = true;
  if (!file_) return Append::kCreateFailed;
  const bool ok = memory_->empty() ||
                  std::fwrite(memory_->data(), 1, memory_->size(), file_) == memory_->size();
  memory_->clear();
  return ok ? Append::kOk : Append::kWriteFailed;
}

ResponseStore::Append ResponseStore::append(const char* data, std::size_t n) {
  if (in_memory()) {
    if (memory_->size() + n <= limit_) {
      memory_->append(data, n);
      return Append::kOk;
    }
    if (const Append a = spill(); a != Append::kOk) {
      failed_ = true;
      return a;
    }
  }
  if (!file_ || std::fwrite(data, 1, n, file_) != n) {
    failed_ = true;
    return Append::kWriteFailed;
  }
  return Append::kOk;
}

bool ResponseStore::close() {
  if (!file_) return !failed_;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

}  // namespace ks::net
