// Links dropped on the window: a link dragged from a browser (its URL as
// plain text or a URI, its title from the browser's link data) or an
// Internet shortcut / desktop link file from a file manager becomes a new
// item, through the page settings sheet as "アイテムを追加" makes one. The
// drop only posts the request (the drag ends first); nothing is taken
// during a run.
#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>

#include "platform/fs.h"
#include "present/bookmarks.h"
#include "present/link_file.h"
#include "shell/item_tree_view.h"
#include "shell/main_window.h"
#include "shell/qt_text.h"
#include "store/names.h"
#include "store/page_settings.h"

namespace ks::gui {
namespace {

struct DroppedItem {
  std::string url;   // Shift_JIS
  std::string name;  // Shift_JIS
};

std::string one_line(const QString& text) {
  std::string s = to_sjis(text.trimmed());
  std::erase_if(s, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
  return s;
}

// The title a browser puts beside a dragged link ("URL\nTitle").
QString link_title(const QMimeData* data) {
  for (const char* type : {"text/x-moz-url", "_NETSCAPE_URL"}) {
    if (!data->hasFormat(QString::fromLatin1(type))) continue;
    const QByteArray raw = data->data(QString::fromLatin1(type));
    const QString text =
        std::string_view(type) == "text/x-moz-url"
            ? QString::fromUtf16(reinterpret_cast<const char16_t*>(raw.constData()), raw.size() / 2)
            : QString::fromUtf8(raw);
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() > 1 && !lines[1].trimmed().isEmpty()) return lines[1];
  }
  return {};
}

std::optional<DroppedItem> dropped_item(const QMimeData* data) {
  if (!data || data->hasFormat(QString::fromLatin1(kNodeMimeType))) return std::nullopt;
  for (const QUrl& u : data->urls()) {
    if (!u.isLocalFile()) continue;
    const auto path = from_os_name(to_utf8(u.toLocalFile()));
    if (!path || !present::is_link_file_name(*path)) continue;
    if (auto link = present::read_link_file(*path)) return DroppedItem{link->url, link->name};
  }
  DroppedItem item;
  if (data->hasText()) item.url = one_line(data->text().section(QLatin1Char('\n'), 0, 0));
  if (item.url.empty()) {
    for (const QUrl& u : data->urls()) {
      if (u.isLocalFile()) continue;
      item.url = one_line(u.toString());
      break;
    }
  }
  item.name = present::dropped_link_name(one_line(link_title(data)));
  if (item.url.empty() && item.name.empty()) return std::nullopt;
  return item;
}

}  // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  const QMimeData* mime = event->mimeData();
  const bool links = mime && !mime->hasFormat(QString::fromLatin1(kNodeMimeType)) &&
                     (mime->hasUrls() || mime->hasText());
  if (running() || !links) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
  if (running()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const auto item = running() ? std::nullopt : dropped_item(event->mimeData());
  if (!item) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  std::string name = item->name;
  name.resize(sjis_fit(name, store::kMaxNameBytes));
  std::string url = item->url;
  url.resize(sjis_fit(url, store::kUrlCapacity - 1));
  QMetaObject::invokeMethod(
      this, [this, url, name] { new_item(url, name); }, Qt::QueuedConnection);
}

}  // namespace ks::gui
