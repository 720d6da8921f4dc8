// The memory allocator's settings for a whole process, made once at the
// start of main() by every front end.
#pragma once

namespace ks {

// A check hands thousands of items to 32 worker threads, each item with
// blocks of a hundred kilobytes and more that live only while it is
// converted and compared. glibc raises its thresholds for returning memory
// to the system each time such a block is freed, after which the blocks stay
// inside the per-thread pools and the pages they touched stay resident: the
// process grew by about a kilobyte per changed item. Fixed thresholds keep
// the memory of a long check level (blocks from 256 KiB on come from the
// system and go back to it; free room at the top of a pool is returned).
void settle_allocator();

}  // namespace ks
