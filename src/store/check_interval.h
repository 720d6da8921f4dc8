// The check interval of one group (group.db) or item (site.db): how many
// minutes after its last check a node's items are due again when checks run
// by themselves. It lives in a section of its own, [SCHEDULE] INTERVAL, so
// it can never clash with a key of [CONFIG]; the readers of [CONFIG] pass
// over it and every writer of these files keeps it (they rewrite their own
// keys only). Absent: the node has no interval of its own and takes its
// group's (or the whole tree's); 0: never checked by the schedule.
// Any thread; one writer per folder at a time (the data-folder lock).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace ks::store {

inline constexpr std::string_view kIntervalKey = "INTERVAL";

// The node's own interval in minutes; nullopt when it has none (or the
// stored value is not a valid interval).
std::optional<int32_t> read_check_interval(std::string_view folder, bool is_group);
// Writes the interval, or removes it (nullopt). False when the file cannot
// be written or the path is too long.
[[nodiscard]] bool write_check_interval(std::string_view folder, bool is_group,
                                        std::optional<int32_t> minutes);

}  // namespace ks::store
