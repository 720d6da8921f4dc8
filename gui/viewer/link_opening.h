// Opening a link the user clicked in a result pane, after the view has
// marked it (and every link with the same target) opened and emitted
// linkActivated. The main window decides first: an item-settings link opens
// the item's settings (only while no check runs); any other goes here.
//
// open_result_link does the rest of a click, in order: with SAVE_HISTORY the
// link goes to today's history page beside its item's name link; the target
// goes to the list of opened links (so links written later show opened);
// the page opens through present::open_address (the item's program, BROWSER
// with USE_BROWSER, or the desktop's handler); the day's NUM_OPEN_LINKS
// counter goes up. The caller shows the returned status text, starts the
// STAY_FOCUS timer and counts the link in its run. UI thread.
#pragma once

#include <QString>
#include <array>
#include <ctime>
#include <functional>
#include <string>

#include "app/options/options.h"
#include "app/options/statistics.h"
#include "gui/viewer/result_view.h"
#include "present/history.h"
#include "present/open_page.h"

namespace ks::gui {

struct LinkOpenContext {
  present::HistoryList* history = nullptr;        // required
  const app_options::Options* options = nullptr;  // required: SAVE_HISTORY, browsers
  std::string base_folder;  // Shift_JIS: the history pages go to its history/ folder
  app_options::Statistics* statistics = nullptr;      // NUM_OPEN_LINKS; may be null
  present::OpenEnv open_env;                          // launcher, message boxes
  std::function<std::time_t()> now;                   // empty: the clock
  app_options::Statistics* session_totals = nullptr;  // the process's own count; may be null
};

struct LinkOpenResult {
  bool opened = false;  // the program or handler was started
  QString status;       // "開きます(...)" with the target cut to 100 bytes
};

LinkOpenResult open_result_link(const LinkInfo& link, LinkOpenContext& context);

// Records `link` as opened without opening it: the history list (and page
// with SAVE_HISTORY) and the opened marks of every pane in `views` (null
// entries are skipped).
void record_opened_link(const LinkInfo& link, LinkOpenContext& context,
                        const std::array<ResultView*, 3>& views);

}  // namespace ks::gui
