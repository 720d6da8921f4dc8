// The list of items by the time of their last change.
#include <algorithm>
#include <ctime>
#include <vector>

#include "compare/log_files.h"
#include "compare/result_record.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "present/display.h"
#include "store/node_path.h"
#include "store/page_settings_io.h"

namespace ks::present {
namespace {

constexpr int64_t kDay = 86400;
constexpr int64_t kHour = 3600;
constexpr std::size_t kStatusNameBytes = 100;

struct Entry {
  int64_t time;
  store::PageSettings item;
  bool readable;
};

// The first `max` bytes of a name, never ending inside a double-byte character.
std::string_view cut_name(std::string_view name, std::size_t max) {
  return name.substr(0, sjis_fit(name, max));
}

}  // namespace

std::string age_text(int64_t seconds) {
  if (seconds < 0) seconds = 0;
  if (seconds >= kDay) return std::to_string(seconds / kDay) + KS_SJ("日前");
  if (seconds >= kHour) {
    return std::to_string(seconds / kHour) + KS_SJ("時間") + std::to_string(seconds % kHour / 60) +
           KS_SJ("分前");
  }
  return std::to_string(seconds / 60) + KS_SJ("分前");
}

void show_last_update_times(Pane& pane, const store::Tree& tree, std::string_view base_folder,
                            const DisplayEnv& env) {
  std::vector<Entry> entries;
  tree.walk(tree.root(), [&](const store::Node& node, int) {
    if (node.kind() != store::NodeKind::kItem) return;
    auto folder = store::node_path(tree, node.id, base_folder);
    if (!folder) return;
    if (env.status) {
      env.status(KS_SJ("読み込み中 \"") + std::string(cut_name(node.label, kStatusNameBytes)) +
                 "\"...");
    }
    Entry e{0, store::default_page_settings(), false};
    e.item.node_id = node.id;
    e.item.name = node.label;
    e.item.folder_path = *folder;
    e.readable = store::read_page_settings(*folder, e.item) &&
                 is_regular_file(*folder + "/" + std::string(store::kSiteDb));
    auto t = compare::update_time(*folder, compare::read_current_log_number(*folder));
    if (!t) return;
    e.time = *t;
    entries.push_back(std::move(e));
  });
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& a, const Entry& b) { return a.time > b.time; });
  const int64_t now = env.now ? env.now() : static_cast<int64_t>(std::time(nullptr));
  pane.clear();
  pane.begin();
  pane.write_text(KS_SJ("<<< 最終更新時刻 >>>\n"));
  for (const Entry& e : entries) {
    pane.write_text(age_text(now - e.time));
    pane.write_text(":");
    if (e.readable) {
      write_item_name_link(pane, e.item);
    } else {
      pane.write_link(e.item.name, "?", {e.item.node_id, 0, true});
    }
    pane.write_text(" ");
    write_settings_link(pane, e.item);
    pane.write_text("\n");
  }
  pane.end();
  if (env.status) env.status("");
}

}  // namespace ks::present
