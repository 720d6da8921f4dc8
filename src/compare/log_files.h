// The text files of an item folder and their rotation.
//
//   new.txt          the page as converted in this check
//   log<n>.txt       texts kept from earlier checks (n = 0..24, round-robin)
//   add.txt/del.txt  added/deleted lines of this check
//   add<n>.txt/del<n>.txt  the same, kept with log n
//   htmltmp.txt      the response of this check; html.txt that of log n
//
// After a check that changed (or first initialised) an item the files of the
// moment become log number n + 1; USE_OLD_LOG decides how many texts stay and
// N_RELOAD how many add/del logs. A file that cannot be removed or moved is
// passed over. Called by the thread that finishes the item.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compare/line_list.h"
#include "platform/spare_files.h"

namespace ks::compare {

// "<folder>/<kind><n>.txt"; kind is "log", "add" or "del".
std::string numbered_log_path(std::string_view folder, std::string_view kind, int n);
// "<folder>/<name>.txt"; name is "new", "add", "del", "html" or "htmltmp".
std::string text_path(std::string_view folder, std::string_view name);

// (n + delta) mod 25, always 0..24.
int log_number_add(int n, int delta);

// The header line (when not empty) and every reported line, each with CR LF,
// replacing the file as a whole (through `spares` when given). False when it
// cannot be written.
bool write_reported_lines(std::string_view path, const TextLineList& list,
                          SpareFiles* spares = nullptr);

// The rotation after a check with status 1 or 2 has three steps, so that a
// crash or a full disk between them leaves the previous log the baseline:
//   0. (the comparison) the added and deleted lines go straight to
//      add<n>.txt and del<n>.txt, each written whole under a temporary name;
//      nothing refers to number n yet;
//   1. move_logs_to(): new.txt is renamed over log<n>.txt, and an add<n>.txt
//      or del<n>.txt this check did not write (left by a check that never
//      finished) is removed;
//   2. the result record takes n as its CURRENT (result_record.h), in the
//      same write as the result code;
//   3. prune_logs(): logs older than USE_OLD_LOG and N_RELOAD keep are
//      removed; the response becomes html.txt (check_finish.h).
// The number after `current` (wrapping to 0 after 24; bad values give 0).
int next_log_number(int current);
// Which of add<n>.txt and del<n>.txt the check's comparison wrote.
struct FreshLines {
  bool add = false;
  bool del = false;
};
// False when new.txt could not be moved (nothing refers to log<n>.txt yet).
// Files are removed through `spares` when given (platform/spare_files.h).
[[nodiscard]] bool move_logs_to(std::string_view folder, int n, FreshLines fresh,
                                SpareFiles* spares = nullptr);
// `use_old_log` is the item's USE_OLD_LOG (0..24), `n_reload` the global
// N_RELOAD (1..24; other values count as 3).
void prune_logs(std::string_view folder, int n, int use_old_log, int n_reload,
                SpareFiles* spares = nullptr);
// htmltmp.txt renamed over html.txt (html.txt removed when there is none).
void keep_response_file(std::string_view folder, SpareFiles* spares = nullptr);
// All three steps with the response in htmltmp.txt; returns the new current
// number.
int rotate_logs(std::string_view folder, int current, int use_old_log, int n_reload,
                FreshLines fresh = {});

// The files that show a result, in the order they are shown: with
// `whole_text` new.txt when it exists, else log<n>.txt; otherwise add<n>.txt
// and, with `detect_deleted`, del<n>.txt (add.txt and del.txt for n = -1).
// Files that do not exist are left out.
std::vector<std::string> result_files(std::string_view folder, int n, bool whole_text,
                                      bool detect_deleted);

// Seconds from the current log's change to `now`: the time in its
// "Last-Modified:" first line, else the file's own time; nullopt without the log.
std::optional<int64_t> seconds_since_change(std::string_view folder, int n, int64_t now);

// Time of the item's last change in seconds since the epoch: the earlier of the
// Last-Modified date in html.txt and the file time of the current add log.
std::optional<int64_t> update_time(std::string_view folder, int current);

// Parses an HTTP date (RFC 1123, RFC 850 or asctime form).
std::optional<int64_t> parse_http_date(std::string_view text);

// Removes every log<n>.txt and add<n>.txt except those of the current number,
// and head.txt. del<n>.txt, new.txt, html.txt and result.db stay.
void delete_past_logs(std::string_view folder);
// The same for every item (.dat) and template (.tpl) below a group folder
// (.grp folders are entered); `progress` gets each item's folder name.
void delete_past_logs_in_subtree(std::string_view folder,
                                 const std::function<void(std::string_view name)>& progress = {});

}  // namespace ks::compare
