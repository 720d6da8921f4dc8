#include "gui/viewer/fallback_pane.h"

#include <QAbstractTextDocumentLayout>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

#include "gui/viewer/sjis_qt.h"

namespace ks::gui {
namespace {

constexpr const char* kLinkScheme = "kslink";

int link_of_url(const QUrl& url) {
  if (url.scheme() != QLatin1String(kLinkScheme)) return -1;
  bool ok = false;
  const int n = url.path().toInt(&ok);
  return ok ? n : -1;
}

// Characters (QChars) in the first `col` bytes of a line.
int chars_before(std::string_view line, std::size_t col) {
  int n = 0;
  std::size_t i = 0;
  while (i < col && i < line.size()) {
    i += is_sjis_pair(line, i) ? 2 : 1;
    ++n;
  }
  return n;
}

}  // namespace

FallbackPane::FallbackPane(QWidget* parent) : QTextBrowser(parent) {
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setUndoRedoEnabled(false);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard |
                          Qt::LinksAccessibleByMouse);
  document()->setUndoRedoEnabled(false);
  connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
    const int link = link_of_url(url);
    if (link >= 0) activate_link(link);
  });
  connect(this, qOverload<const QUrl&>(&QTextBrowser::highlighted), this, &FallbackPane::hovered);
  connect(this, &QTextEdit::selectionChanged, this, &FallbackPane::selection_from_widget);
  connect(this, &QTextEdit::cursorPositionChanged, this, &FallbackPane::selection_from_widget);
  apply_look(look_from_options(app_options::Options{}));
}

FallbackPane::~FallbackPane() = default;

void FallbackPane::apply_look(const ViewerLook& look) {
  look_ = look;
  setFont(look_.font);
  document()->setDefaultFont(look_.font);
  QPalette pal = palette();
  pal.setColor(QPalette::Base, look_.back);
  pal.setColor(QPalette::Text, look_.text);
  setPalette(pal);
  // Everything is written again in the new look.
  text_cleared();
  sync();
  selection_changed(false);
}

QTextBlockFormat FallbackPane::block_format() const {
  const double point = look_.font.pointSizeF() > 0 ? look_.font.pointSizeF() : 10.0;
  const double px_per_point = logicalDpiY() / 72.0;
  const double before = (look_.line_height - 100) * point / 200.0;
  const double after = (look_.line_height - 100) * point / 100.0 - before;
  QTextBlockFormat f;
  f.setTopMargin(before * px_per_point);
  f.setBottomMargin(after * px_per_point);
  return f;
}

QTextCharFormat FallbackPane::format_for(uint8_t attr, int link) const {
  const bool opened = link >= 0 && text().link(link).opened;
  const RunColors c = run_colors(attr, opened, look_);
  QTextCharFormat f;
  f.setForeground(c.text);
  // Plain text lies on the pane's own background.
  if (c.back != look_.back) f.setBackground(c.back);
  if (link >= 0) {
    f.setAnchor(true);
    f.setAnchorHref(QStringLiteral("%1:%2").arg(QLatin1String(kLinkScheme)).arg(link));
    f.setFontUnderline(look_.link_underline || look_.font.underline());
  }
  return f;
}

template <typename Fn>
void FallbackPane::for_each_run(int line, uint32_t from, uint32_t to, Fn fn) const {
  const ViewerText& t = text();
  const ViewerLine& l = t.line(line);
  const uint8_t* attrs = t.attributes() + l.start;
  to = std::min(to, l.length);
  int link = l.first_link;
  const int links_end = l.first_link + l.link_count;
  uint32_t i = from;
  while (i < to) {
    while (link < links_end && static_cast<uint32_t>(t.link(link).end_col) <= i) ++link;
    const bool in_link = link < links_end && static_cast<uint32_t>(t.link(link).start_col) <= i;
    uint32_t stop = to;
    if (link < links_end) {
      stop = std::min(
          to, static_cast<uint32_t>(in_link ? t.link(link).end_col : t.link(link).start_col));
    }
    uint32_t j = i + 1;
    while (j < stop && attrs[j] == attrs[i]) ++j;
    fn(i, j, attrs[i], in_link ? link : -1);
    i = j;
  }
}

void FallbackPane::text_changed(std::size_t from, std::size_t to) {
  if (from < mirrored_end_) dirty_.emplace_back(from, std::min(to, mirrored_end_));
  if (!painting_suspended()) sync();
}

void FallbackPane::painting_resumed() {
  sync();
}

void FallbackPane::text_cleared() {
  // The document's own cursor moves are no selection of the user's.
  syncing_selection_ = true;
  QTextBrowser::clear();
  QTextCursor c(document());
  c.setBlockFormat(block_format());
  syncing_selection_ = false;
  mirrored_end_ = 0;
  dirty_.clear();
}

void FallbackPane::sync() {
  for (const auto& [from, to] : dirty_) restyle(from, to);
  dirty_.clear();
  if (mirrored_end_ < text().end_offset()) append_to_document(mirrored_end_);
  mirrored_end_ = text().end_offset();
}

void FallbackPane::append_to_document(std::size_t from) {
  const ViewerText& t = text();
  QTextCursor c(document());
  c.movePosition(QTextCursor::End);
  c.beginEditBlock();
  const QTextBlockFormat block = block_format();
  for (int line = t.line_of(from); line < t.line_count(); ++line) {
    const ViewerLine& l = t.line(line);
    const uint32_t col = from > l.start ? static_cast<uint32_t>(from - l.start) : 0;
    if (from > l.start + l.length) continue;  // only its NUL was new: the block exists
    const std::string_view bytes = t.line_text(line);
    for_each_run(line, col, l.length, [&](uint32_t a, uint32_t b, uint8_t attr, int link) {
      c.insertText(display_string(bytes.substr(a, b - a)), format_for(attr, link));
    });
    if (line + 1 < t.line_count()) c.insertBlock(block, QTextCharFormat());
  }
  c.endEditBlock();
}

void FallbackPane::restyle(std::size_t from, std::size_t to) {
  const ViewerText& t = text();
  QTextCursor c(document());
  for (int line = t.line_of(from); line < t.line_count(); ++line) {
    const ViewerLine& l = t.line(line);
    if (l.start >= to) break;
    const uint32_t a = from > l.start ? static_cast<uint32_t>(from - l.start) : 0;
    const auto b = static_cast<uint32_t>(std::min<std::size_t>(to - l.start, l.length));
    for_each_run(line, a, b, [&](uint32_t i, uint32_t j, uint8_t attr, int link) {
      c.setPosition(position_of(l.start + i));
      c.setPosition(position_of(l.start + j), QTextCursor::KeepAnchor);
      c.setCharFormat(format_for(attr, link));
    });
  }
}

int FallbackPane::position_of(std::size_t offset) const {
  const ViewerText& t = text();
  const int line = t.line_of(offset);
  const QTextBlock block = document()->findBlockByNumber(line);
  if (!block.isValid()) return document()->characterCount() - 1;
  const ViewerLine& l = t.line(line);
  return block.position() + chars_before(t.line_text(line), offset - l.start);
}

std::size_t FallbackPane::offset_of(int position) const {
  const ViewerText& t = text();
  const QTextBlock block = document()->findBlock(position);
  if (!block.isValid() || block.blockNumber() >= t.line_count()) return t.end_offset();
  const int line = block.blockNumber();
  const std::string_view bytes = t.line_text(line);
  int chars = position - block.position();
  std::size_t i = 0;
  while (chars-- > 0 && i < bytes.size()) i += is_sjis_pair(bytes, i) ? 2 : 1;
  return t.line(line).start + i;
}

void FallbackPane::selection_from_widget() {
  if (syncing_selection_) return;
  const QTextCursor c = textCursor();
  syncing_selection_ = true;
  set_selection(static_cast<std::ptrdiff_t>(offset_of(c.anchor())),
                static_cast<std::ptrdiff_t>(offset_of(c.position())), false);
  syncing_selection_ = false;
}

void FallbackPane::selection_changed(bool reveal) {
  if (syncing_selection_) return;
  syncing_selection_ = true;
  QTextCursor c(document());
  if (anchor() >= 0 && caret() >= 0) {
    c.setPosition(position_of(static_cast<std::size_t>(anchor())));
    c.setPosition(position_of(static_cast<std::size_t>(caret())), QTextCursor::KeepAnchor);
  }
  setTextCursor(c);
  syncing_selection_ = false;
  if (!reveal || anchor() < 0) return;
  QTextCursor start(document());
  start.setPosition(position_of(selection()->start));
  const QRect r = cursorRect(start);
  if (r.top() < 0 || r.bottom() > viewport()->height()) {
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() + r.center().y() - viewport()->height() / 2);
  }
}

int FallbackPane::first_visible_line() const {
  return cursorForPosition(QPoint(0, 0)).blockNumber();
}

void FallbackPane::scroll_to_offset(std::size_t offset) {
  flush();
  sync();
  QTextCursor c(document());
  c.setPosition(position_of(offset));
  const QRect r = cursorRect(c);
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(bar->value() + r.top());
}

void FallbackPane::hovered(const QUrl& url) {
  emit events()->statusText(link_status(link_of_url(url)));
}

void FallbackPane::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    copy();
    return;
  }
  if (event->matches(QKeySequence::SelectAll)) {
    select_all();
    return;
  }
  QTextBrowser::keyPressEvent(event);
}

void FallbackPane::contextMenuEvent(QContextMenuEvent* event) {
  emit events()->contextMenuRequested(event->globalPos());
}

bool FallbackPane::focusNextPrevChild(bool next) {
  if (events()->routes_tab()) {
    emit events()->tabPressed(next);
    return true;
  }
  return QWidget::focusNextPrevChild(next);
}

}  // namespace ks::gui
