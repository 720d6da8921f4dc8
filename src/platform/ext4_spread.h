// Where a folder's new files should be made on ext4.
//
// ext4 without a journal makes a file by first stepping over every inode
// freed in the last minutes in the block group of the file's folder (so a
// crash cannot leave a new file in an inode an old one still claims). Next
// to a data folder that was just copied or cleaned up that is thousands of
// inodes for every new file. Folders made inside a folder marked as the top
// of a tree are spread by ext4 over other block groups, where few were
// freed. With a journal there is no such step, and spreading would only
// scatter an item's files over the disk.
#pragma once

#include <string>

namespace ks {

// Whether `os_folder` is on an ext4 file system that has no journal.
bool on_ext4_without_journal(const std::string& os_folder);

// Marks `os_folder` as the top of a folder tree (FS_TOPDIR_FL), so the
// folders made in it are spread; false where that cannot be done.
bool mark_as_top_folder(const std::string& os_folder);

}  // namespace ks
