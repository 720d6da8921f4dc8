// Spare files: a pool of files whose disk records (inodes) are used again
// instead of being freed and made anew. A check replaces and removes a few
// files of every item (result.db, html.txt, the numbered logs); done with
// rename() over the old file and unlink(), each item frees records and makes
// new ones, and on some file systems (ext4 without a journal) making a
// record costs time that grows with the records freed in the last minutes,
// so a run of thousands of items slows down item by item. With a pool:
//   replace()  writes the new bytes into a spare and swaps it with the file
//              in one atomic step (renameat2 RENAME_EXCHANGE): readers, and a
//              crash at any moment, see the old or the new file whole; the
//              old file becomes a spare;
//   remove()   moves a file into the pool instead of unlinking it;
//   move_over() renames a file over another, the replaced one into the pool.
// Spares live in a folder of their own (in the work folder, on the same
// file system as the data folder) and are deleted with the pool. They are
// kept by the kind of file they were (the name without its digits), so a
// result.db is written over an old result.db and a log over an old log: the
// sizes match and little has to be cut off or added. When the pool is
// empty (early in a run, or for files that are new), a new file is made
// and the file it replaces joins the pool. On ext4 without a journal the
// new file is made in one of a few folders that the file system spreads
// over the disk, then moved into place (see platform/ext4_spread.h: beside
// a data folder that was just copied or cleaned up, making a file there
// cost more than all the rest of a check). Elsewhere the new file is made
// beside its target under a temporary name, as write_file_atomic() makes
// it. Where the
// swap is not possible (another file system, no RENAME_EXCHANGE) the pool
// falls back to the plain operations; anything but a regular file is never
// taken into the pool, so a folder or link standing where a file of ours
// belongs is treated exactly as the plain operations treat it.
//
// Threads: any number at once (the free list has a mutex); two threads must
// not work on the same target path at the same time.
#pragma once

#include <atomic>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace ks {

class SpareFiles {
 public:
  // `folder`: a Shift_JIS core path of a folder to create for the spares
  // (it must not exist yet; its parent must). Without it the pool does the
  // plain operations only.
  explicit SpareFiles(std::string_view folder, std::size_t capacity = 256);
  ~SpareFiles();  // deletes the spares and the folder
  SpareFiles(const SpareFiles&) = delete;
  SpareFiles& operator=(const SpareFiles&) = delete;

  bool active() const { return active_.load(std::memory_order_relaxed); }
  // As write_file_atomic().
  bool replace(std::string_view path, std::string_view data);
  // As remove_file(): true when nothing is left at `path`.
  bool remove(std::string_view path);
  // As rename_path(): `from` takes the place of `to`.
  bool move_over(std::string_view from, std::string_view to);
  // Spares waiting for use (for tests).
  std::size_t count() const;

 private:
  // An OS path: of a spare of `kind` (else of any kind); empty when the
  // pool has none.
  std::string take(const std::string& kind);
  // Back into the pool as a spare of `kind`, or deleted when it is full.
  void give(std::string os_path, const std::string& kind);
  // As give() for a file in the pool's folder; a file elsewhere is moved
  // into it first (or deleted).
  void keep(std::string os_path, const std::string& kind);
  std::string fresh_name();  // under mutex_
  // An OS path for a new file in one of the spread folders (made on first
  // use); empty when there are none.
  std::string fresh_path();
  // Takes the file at `os_path` into the pool (or unlinks it); true when
  // nothing is left there.
  bool adopt(const std::string& os_path, const std::string& kind);
  bool swap_in(const std::string& spare, const std::string& target, const std::string& kind);
  // Whether the last replacement of a file of `kind` found no file there
  // (new texts and fresh logs mostly do): then a rename that refuses to
  // replace is tried first, and the swap only when a file is there after
  // all, so the common case costs one call, not a failed swap and a rename.
  bool likely_absent(const std::string& kind) const;
  void note_absent(const std::string& kind, bool absent);
  // 1: `from` renamed to the absent `to`; -1: not done, swap or rename as
  // usual.
  int rename_if_absent(const std::string& from, const std::string& to, const std::string& kind);

  static constexpr std::size_t kFreshFolders = 32;
  std::string folder_;  // OS path
  std::atomic<bool> active_{false};
  std::size_t capacity_;
  mutable std::mutex mutex_;
  std::map<std::string, std::vector<std::string>> free_;  // by kind; guarded by mutex_
  std::map<std::string, bool> absent_;                    // by kind; guarded by mutex_
  std::size_t count_ = 0;                                 // guarded by mutex_
  unsigned long next_name_ = 0;                           // guarded by mutex_
  std::vector<std::string> fresh_folders_;  // OS paths, empty until made; guarded by mutex_
  unsigned long fresh_seed_ = 0;
};

// The plain operations when `spares` is null.
bool replace_file(SpareFiles* spares, std::string_view path, std::string_view data);
bool discard_file(SpareFiles* spares, std::string_view path);
bool move_file_over(SpareFiles* spares, std::string_view from, std::string_view to);

}  // namespace ks
