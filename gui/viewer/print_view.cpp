#include "gui/viewer/print_view.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextLayout>
#include <QWidget>

#include "gui/viewer/sjis_qt.h"

namespace ks::gui {

QString printing_status(int percent) {
  return QStringLiteral("印刷中(%1%)...").arg(percent);
}

bool print_text(ResultView& view, QPrinter& printer, const std::function<void(int)>& progress) {
  const int lines = view.line_count();
  if (view.end_offset() == 0) return false;
  QPainter p;
  if (!p.begin(&printer)) return false;
  const QFont font(view.widget()->font(), &printer);
  p.setFont(font);
  const QFontMetrics fm(font, &printer);
  const int width = printer.width();
  const int height = printer.height();
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  int y = 0;
  for (int i = 0; i < lines; ++i) {
    const std::size_t start = view.line_start(i);
    const std::size_t end = i + 1 < lines ? view.line_start(i + 1) - 1 : view.end_offset();
    QTextLayout layout(display_string(view.text_range(start, end)), font, &printer);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(width);
    }
    layout.endLayout();
    for (int k = 0; k < layout.lineCount(); ++k) {
      QTextLine line = layout.lineAt(k);
      if (y > 0 && y + fm.lineSpacing() > height) {
        if (progress) progress(i * 100 / lines);
        printer.newPage();
        y = 0;
      }
      line.draw(&p, QPointF(0, y - line.y()));
      y += fm.lineSpacing();
    }
    if (layout.lineCount() == 0) y += fm.lineSpacing();
  }
  p.end();
  if (progress) progress(100);
  return true;
}

bool print_with_dialog(ResultView& view, QWidget* window,
                       const std::function<void(const QString&)>& status) {
  // A window kept on top would hide the dialog and the printer's own windows.
  const bool on_top = window && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
  if (on_top) {
    window->setWindowFlag(Qt::WindowStaysOnTopHint, false);
    window->show();
  }
  QPrinter printer(QPrinter::HighResolution);
  QPrintDialog dialog(&printer, window);
  bool ok = false;
  if (dialog.exec() == QDialog::Accepted) {
    ok = print_text(view, printer, [&](int percent) {
      if (status) status(printing_status(percent));
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    if (status) status(QString());
  }
  if (on_top) {
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    window->show();
  }
  return ok;
}

}  // namespace ks::gui
