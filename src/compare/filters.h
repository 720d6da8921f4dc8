// The rules applied to the reported lines after the diff, in order: ignored
// kinds of lines, NG words (with the NG area) and extract words, repeated
// lines, lines already seen in earlier logs, then context lines, the empty
// line after a reported line and the restored URL quotes.
#pragma once

#include <string>
#include <string_view>

#include "compare/compare_task.h"
#include "compare/line_list.h"

namespace ks::compare {

// True when a reported line is to be dropped. May cut the line down in place
// (GET_LINK_ONLY); `host` is the host name of the item's URL.
bool ignored_line(const store::PageSettings& settings, std::string& line, std::string_view host,
                  HostOfUrl host_of = &url_host);

// Runs every filter on one list; `deleted_side` selects the del logs (instead
// of the texts) as the earlier logs. `previous_text` is the text the list was
// compared with (log<n>.txt of the current number), the first earlier log of
// the added side. Returns whether reported lines remain (false too when the
// run is stopped).
bool run_post_diff_filters(const CompareTask& task, TextLineList& list, int log_number,
                           bool deleted_side, std::string_view previous_text);

}  // namespace ks::compare
