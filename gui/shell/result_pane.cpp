#include "shell/result_pane.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include "shell/qt_text.h"

namespace ks::gui {

namespace {

QColor from_bgr(int32_t bgr) {
  const auto v = static_cast<uint32_t>(bgr);
  return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                static_cast<int>((v >> 16) & 0xFF));
}

int headline_index(uint8_t attr) {
  if (attr & present::kAttrHeadline2) return 2;
  if (attr & present::kAttrHeadline1) return 1;
  if (attr & present::kAttrHeadline0) return 0;
  return -1;
}

}  // namespace

std::unique_ptr<ResultPane> make_result_pane(const app_options::Options& options, QWidget* parent) {
  return std::make_unique<PlainResultPane>(options, parent);
}

PlainResultPane::PlainResultPane(const app_options::Options& options, QWidget* parent)
    : view_(new QPlainTextEdit(parent)), options_(options) {
  view_->setReadOnly(true);
  view_->setUndoRedoEnabled(false);
  view_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  view_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  QFont font = view_->font();
  if (!options.font.face_name.empty()) font.setFamily(from_sjis(options.font.face_name));
  if (options.font.point > 0) font.setPointSize(options.font.point);
  font.setBold(options.font.bold != 0);
  font.setItalic(options.font.italic != 0);
  view_->setFont(font);
  QPalette pal = view_->palette();
  pal.setColor(QPalette::Text, from_bgr(options.font.color));
  pal.setColor(QPalette::Base, from_bgr(options.font.back_color));
  view_->setPalette(pal);
}

PlainResultPane::~PlainResultPane() = default;

QTextCharFormat PlainResultPane::format_for(uint8_t attr) const {
  QTextCharFormat f;
  const int h = headline_index(attr);
  if (h >= 0) {
    const auto i = static_cast<std::size_t>(h);
    f.setBackground(from_bgr(options_.midashi_back_color[i]));
    f.setForeground(from_bgr(options_.midashi_color[i]));
  }
  if (attr & present::kAttrDimmed) f.setForeground(QColor(0x80, 0x80, 0x80));
  if (attr & present::kAttrLink) {
    f.setForeground(from_bgr(h >= 0 ? options_.midashi_link_color[static_cast<std::size_t>(h)]
                                    : options_.link_color));
    f.setFontUnderline(options_.use_link_underline != 0);
  }
  if (attr & present::kAttrHighlight1) f.setBackground(from_bgr(options_.highlight_color1));
  if (attr & present::kAttrHighlight0) f.setBackground(from_bgr(options_.highlight_color));
  return f;
}

void PlainResultPane::end() {
  BufferedPane::end();
  show_new_text();
}

void PlainResultPane::clear_text() {
  BufferedPane::clear_text();
  shown_ = 0;
  view_->clear();
}

void PlainResultPane::show_new_text() {
  const std::string& t = text();
  const std::vector<uint8_t>& a = attributes();
  if (shown_ >= t.size()) return;
  QScrollBar* bar = view_->verticalScrollBar();
  const bool at_end = bar->value() == bar->maximum();
  QTextCursor c(view_->document());
  c.movePosition(QTextCursor::End);
  c.beginEditBlock();
  std::size_t i = shown_;
  while (i < t.size()) {
    std::size_t j = i + 1;
    while (j < t.size() && a[j] == a[i]) ++j;
    c.insertText(from_sjis(std::string_view(t).substr(i, j - i)), format_for(a[i]));
    i = j;
  }
  c.endEditBlock();
  shown_ = t.size();
  if (at_end) bar->setValue(bar->maximum());
}

QString PlainResultPane::plain_text() const {
  return view_->toPlainText();
}

QString PlainResultPane::selected_text() const {
  return view_->textCursor().selectedText().replace(QChar::ParagraphSeparator, u'\n');
}

void PlainResultPane::copy() {
  view_->copy();
}

void PlainResultPane::select_all() {
  view_->selectAll();
}

void PlainResultPane::go_to_line(int line) {
  const QTextBlock block = view_->document()->findBlockByNumber(line);
  if (!block.isValid()) return;
  QTextCursor c(block);
  view_->setTextCursor(c);
  view_->centerCursor();
}

void PlainResultPane::next_headline(bool with_messages) {
  const int here = view_->textCursor().blockNumber();
  std::optional<int> first;
  for (const present::HeadlineEntry& e : headlines().entries()) {
    if (e.kind == present::HeadlineKind::kError && !with_messages) continue;
    if (!first) first = e.line;
    if (e.line > here) return go_to_line(e.line);
  }
  if (first) go_to_line(*first);
}

void PlainResultPane::previous_headline(bool with_messages) {
  const int here = view_->textCursor().blockNumber();
  std::optional<int> before;
  std::optional<int> last;
  for (const present::HeadlineEntry& e : headlines().entries()) {
    if (e.kind == present::HeadlineKind::kError && !with_messages) continue;
    if (e.line < here) before = e.line;
    last = e.line;
  }
  if (before) return go_to_line(*before);
  if (last) go_to_line(*last);
}

void PlainResultPane::next_keyword() {
  const auto& ranges = keywords().ranges();
  if (ranges.empty()) return;
  const QString shown = view_->toPlainText();
  const QTextCursor caret = view_->textCursor();
  const std::size_t here = to_sjis(shown.left(caret.selectionEnd())).size();
  std::optional<present::KeywordRange> hit = keywords().next_after(here);
  if (!hit) hit = ranges.front();
  const std::string& t = text();
  if (hit->end > t.size()) return;
  const auto start = static_cast<int>(from_sjis(std::string_view(t).substr(0, hit->start)).size());
  const auto end = static_cast<int>(from_sjis(std::string_view(t).substr(0, hit->end)).size());
  QTextCursor c(view_->document());
  c.setPosition(start);
  c.setPosition(end, QTextCursor::KeepAnchor);
  view_->setTextCursor(c);
}

void PlainResultPane::scroll_to_top() {
  view_->moveCursor(QTextCursor::Start);
}

}  // namespace ks::gui

namespace ks::gui {

std::optional<uint64_t> PlainResultPane::heading_item_at(const QPoint& pos) const {
  const int line = view_->cursorForPosition(pos).blockNumber();
  bool heading = false;
  for (const present::HeadlineEntry& e : headlines().entries()) {
    if (e.line == line && e.kind == present::HeadlineKind::kItem) heading = true;
  }
  if (!heading) return std::nullopt;
  // The line's offsets: count line breaks in the text held.
  const std::string& t = text();
  std::size_t start = 0;
  for (int l = 0; l < line && start != std::string::npos; ++l) {
    start = t.find('\n', start);
    if (start != std::string::npos) ++start;
  }
  if (start == std::string::npos) return std::nullopt;
  const std::size_t end = std::min(t.find('\n', start), t.size());
  for (const present::PaneLink& link : links()) {
    if (link.start < start || link.start >= end) continue;
    if (link.origin.item != 0) return link.origin.item;
    if (auto id = present::item_settings_node(link.target)) return *id;
  }
  return std::nullopt;
}

}  // namespace ks::gui
