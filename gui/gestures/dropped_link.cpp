#include "gui/gestures/dropped_link.h"

#include <QMimeData>
#include <QUrl>

#include "gui/gestures/item_tree_view.h"
#include "gui/shell/qt_text.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "present/bookmarks.h"
#include "present/link_file.h"
#include "store/names.h"
#include "store/page_settings.h"

namespace ks::gui {
namespace {

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

DroppedItem within_limits(DroppedItem item) {
  item.name.resize(sjis_fit(item.name, store::kMaxNameBytes));
  item.url.resize(sjis_fit(item.url, store::kUrlCapacity - 1));
  return item;
}

}  // namespace

bool may_drop_link(const QMimeData* data) {
  return data && dragged_node(data) == store::kNoNode &&
         !data->hasFormat(QString::fromLatin1(kNodeMimeType)) &&
         (data->hasUrls() || data->hasText());
}

std::optional<DroppedItem> dropped_item(const QMimeData* data) {
  if (!may_drop_link(data)) return std::nullopt;
  // A link file names the item by its own name and holds the address.
  for (const QUrl& u : data->urls()) {
    if (!u.isLocalFile()) continue;
    const auto path = from_os_name(to_utf8(u.toLocalFile()));
    if (!path || !present::is_link_file_name(*path)) continue;
    if (auto link = present::read_link_file(*path)) {
      return within_limits({one_line(from_sjis(link->url)), one_line(from_sjis(link->name))});
    }
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
  QString name = link_title(data);
  if (name.isEmpty()) {
    // Another dropped file: its name, as a file descriptor would give it.
    for (const QUrl& u : data->urls()) {
      if (u.isLocalFile()) {
        name = u.fileName();
        break;
      }
    }
  }
  item.name = present::dropped_link_name(one_line(name));
  if (item.url.empty() && item.name.empty()) return std::nullopt;
  return within_limits(std::move(item));
}

}  // namespace ks::gui
