#include "shell/icons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <array>

#include "store/node.h"

namespace ks::gui {
namespace {

enum Base : int {
  kRootIcon,
  kGroupClosed,
  kGroupOpen,
  kGroupOff,
  kItemIcon,
  kItemOff,
  kItemMiddle,
  kItemHigh,
  kTemplateRootIcon,
  kTemplateIcon,
  kBaseCount
};

const char* const kBaseFiles[kBaseCount] = {
    ":/icons/root.svg",      ":/icons/group.svg",     ":/icons/group_open.svg",
    ":/icons/group_off.svg", ":/icons/item.svg",      ":/icons/item_off.svg",
    ":/icons/item_mid.svg",  ":/icons/item_high.svg", ":/icons/template_root.svg",
    ":/icons/template.svg",
};

enum Overlay : int { kNoOverlay, kUpdateOverlay, kErrorOverlay, kOverlayCount };

QPixmap render(const char* file, int size, const char* overlay = nullptr) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  QSvgRenderer(QString::fromLatin1(file)).render(&p);
  if (overlay) QSvgRenderer(QString::fromLatin1(overlay)).render(&p);
  return pm;
}

QIcon make_icon(const char* file, const char* overlay = nullptr) {
  QIcon icon;
  for (int size : {16, 24, 32}) icon.addPixmap(render(file, size, overlay));
  return icon;
}

Base base_of(uint32_t tag, bool expanded) {
  using store::NodeKind;
  const bool off = (tag & store::kTagNoAutoCheck) != 0;
  switch (store::tag_kind(tag)) {
    case NodeKind::kRoot:
      return kRootIcon;
    case NodeKind::kGroup:
      if (off) return kGroupOff;
      return expanded ? kGroupOpen : kGroupClosed;
    case NodeKind::kTemplateRoot:
      return kTemplateRootIcon;
    case NodeKind::kTemplate:
      return kTemplateIcon;
    case NodeKind::kItem:
    default:
      if (off) return kItemOff;
      if (tag & store::kTagPriorityHigh) return kItemHigh;
      if (tag & store::kTagPriorityMiddle) return kItemMiddle;
      return kItemIcon;
  }
}

}  // namespace

const QIcon& node_icon(uint32_t tag, bool expanded) {
  // Kept for the life of the process (reachable, never destroyed): icons
  // must not outlive the application object in static destructors.
  static auto& icons = *new std::array<std::array<QIcon, kOverlayCount>, kBaseCount>();
  const Base base = base_of(tag, expanded);
  const Overlay overlay = (tag & store::kTagUpdated) ? kUpdateOverlay
                          : (tag & store::kTagError) ? kErrorOverlay
                                                     : kNoOverlay;
  QIcon& icon = icons[static_cast<std::size_t>(base)][static_cast<std::size_t>(overlay)];
  if (icon.isNull()) {
    const char* over = overlay == kUpdateOverlay  ? ":/icons/overlay_update.svg"
                       : overlay == kErrorOverlay ? ":/icons/overlay_error.svg"
                                                  : nullptr;
    icon = make_icon(kBaseFiles[base], over);
  }
  return icon;
}

const QIcon& app_icon() {
  static const QIcon& icon = *new QIcon(make_icon(":/icons/app.svg"));
  return icon;
}

const QIcon& tray_icon(bool busy) {
  static const QIcon& normal = *new QIcon(make_icon(":/icons/tray.svg"));
  static const QIcon& running = *new QIcon(make_icon(":/icons/tray_busy.svg"));
  return busy ? running : normal;
}

}  // namespace ks::gui
