// Searching the past added-line logs of items for a text. Both the search
// text and every log line are normalised first, so half-width and full-width
// katakana, the hyphen and the long-vowel mark, and ASCII and full-width
// letters of either case find each other. Hits go into a pane as the result
// display writes them (display.h): the item's headline on its first hit,
// then every hit line. Runs on its own thread; the stop flag ends it at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "app/options/options.h"
#include "present/pane.h"
#include "store/page_settings_io.h"
#include "store/tree.h"

namespace ks::present {

// Every character as a two-byte Shift_JIS character (see the .cpp).
std::string normalize_for_search(std::string_view text);

// Whether a normalised line holds the normalised needle at an even offset.
bool normalized_contains(std::string_view line, std::string_view needle);

struct LogSearchEnv {
  std::string base_folder;  // ends in '/'
  const std::atomic<bool>* stop = nullptr;
  std::function<void(std::string_view)> status;  // may be empty
  // The headline templates and image settings of the hits; nullptr: defaults.
  const app_options::Options* options = nullptr;
  // Fills in the settings a matching template supplies (AS_TEXT decides how
  // a hit line reads); may be empty.
  store::TemplateApplier apply_template;
};

// Searches the add logs of one item folder from its current log backwards
// (25 logs, each once), writing into `pane`; returns the hit lines.
int search_item_logs(Pane& pane, std::string_view folder, std::string_view item_name,
                     uint64_t node_id, std::string_view needle_normalized, const LogSearchEnv& env);

// Searches the selected item, or every item below the selected group, after
// clearing the pane. Writes the not-found line when nothing matched. Returns
// the hit lines.
int search_logs(Pane& pane, const store::Tree& tree, store::NodeId selected, std::string_view text,
                const LogSearchEnv& env);

}  // namespace ks::present
