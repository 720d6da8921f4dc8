// "情報": the header lines of the item's last response as html.txt keeps
// them, one line per row, each cut to 511 bytes. Only the header block is
// read (up to the first empty line, at most 1,000 lines), however large the
// stored page is.
#include <QListWidget>
#include <QVBoxLayout>
#include <fstream>

#include "gui/dialogs/page_sheet_pages.h"
#include "gui/viewer/sjis_qt.h"
#include "platform/fs.h"
#include "platform/sjis.h"

namespace ks::gui {
namespace {

constexpr std::size_t kInfoLineBytes = 511;
constexpr int kInfoLines = 1000;

class InfoPage final : public SheetPage {
 public:
  explicit InfoPage(const std::string& folder) {
    auto* layout = new QVBoxLayout(this);
    auto* list = new QListWidget;
    list->setObjectName(QStringLiteral("info"));
    layout->addWidget(list);
    if (folder.empty()) return;
    std::ifstream in(to_os_path(path_join(folder, "html.txt")), std::ios::binary);
    std::string line;
    for (int n = 0; n < kInfoLines && std::getline(in, line); ++n) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty()) break;
      line.resize(sjis_fit(line, kInfoLineBytes));
      list->addItem(display_string(line));
    }
  }
  void apply() override {}
};

}  // namespace

SheetPage* make_info_page(const std::string& folder) {
  return new InfoPage(folder);
}

}  // namespace ks::gui
