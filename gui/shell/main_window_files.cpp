// The "ファイル" menu's dialogs and the confirm view: importing a bookmark
// file, exporting the tree as one, saving the current pane as HTML, and
// "確認" (what was last fetched and extracted for the selected item).
#include <QDate>
#include <QFileDialog>
#include <QTabWidget>
#include <ctime>

#include "app/application.h"
#include "compare/result_record.h"
#include "platform/fs.h"
#include "present/bookmarks.h"
#include "present/buffered_pane.h"
#include "present/display.h"
#include "present/report.h"
#include "shell/main_window.h"
#include "shell/qt_text.h"
#include "shell/tree_model.h"

namespace ks::gui {
namespace {

// A file name from a file dialog as a core path; nullopt (the user told)
// when it has no Shift_JIS form.
std::optional<std::string> core_path(const QString& chosen, MessagePrompt& prompt) {
  auto path = from_os_name(to_utf8(chosen));
  if (!path) {
    prompt.message(KS_SJ("エラー"), KS_SJ("このファイル名は使用できません。"));
  }
  return path;
}

}  // namespace

void MainWindow::import_bookmarks() {
  const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("インポート"), QString(),
                                                      QStringLiteral("ﾌﾞｯｸﾏｰｸﾌｧｲﾙ(*.html)"));
  if (chosen.isEmpty()) return;
  const auto path = core_path(chosen, prompt_);
  if (!path) return;
  const auto bytes = read_file(*path);
  if (!bytes) return;
  auto status = [this](std::string_view text) { set_status(from_sjis(text)); };
  set_status(QStringLiteral("ブックマークをインポート中..."));
  const present::ImportResult r = present::import_bookmarks(*bytes, app_.folders().data, status);
  if (!r.imported) {
    // Not a bookmark file: nothing was made, nothing to say.
    set_status({});
    return;
  }
  set_status(QStringLiteral("ツリービューを更新中..."));
  store::TreeContext ctx = tree_context();
  present::merge_imported_group(ctx, r);
  tree_changed();
  set_status(QStringLiteral("ブックマークのインポート完了(%1件)").arg(r.links));
  if (r.too_long > 0) prompt_.message(KS_SJ("確認"), present::too_long_names_message());
  update_item_menu();
}

void MainWindow::export_bookmarks() {
  const QDate today = QDate::currentDate();
  const QString proposed = QStringLiteral("bookmarks_%1_%2_%3.html")
                               .arg(today.year(), 4, 10, QLatin1Char('0'))
                               .arg(today.month(), 2, 10, QLatin1Char('0'))
                               .arg(today.day(), 2, 10, QLatin1Char('0'));
  const QString chosen = QFileDialog::getSaveFileName(
      this, QStringLiteral("エクスポート"), proposed, QStringLiteral("HTMLファイル(*.html)"));
  if (chosen.isEmpty()) return;
  const auto path = core_path(chosen, prompt_);
  if (!path) return;
  set_status(QStringLiteral("エクスポート中..."));
  const std::string html =
      present::export_bookmarks(app_.tree(), app_.folders().base,
                                [this](std::string_view name) { set_status(from_sjis(name)); });
  if (!write_file_atomic(*path, html)) {
    set_status({});
    prompt_.message(KS_SJ("エラー"), KS_SJ("ファイルを書き込めませんでした。\n") + *path);
    return;
  }
  set_status(QStringLiteral("エクスポート完了"));
}

void MainWindow::save_log_html() {
  const std::time_t now = std::time(nullptr);
  const QString chosen = QFileDialog::getSaveFileName(this, QStringLiteral("ログをHTML保存"),
                                                      from_sjis(present::pane_html_file_name(now)),
                                                      QStringLiteral("HTMLファイル(*.html)"));
  if (chosen.isEmpty()) return;
  const auto path = core_path(chosen, prompt_);
  if (!path) return;
  present::BufferedPane text;
  current_view().write_to(text);
  if (!write_file_atomic(*path, present::pane_as_html(text, app_.options(), now))) {
    prompt_.message(KS_SJ("エラー"), KS_SJ("ファイルを書き込めませんでした。\n") + *path);
  }
}

void MainWindow::confirm_selected() {
  const auto rec = load_record(selected_node());
  if (!rec) return;
  present::DisplayEnv env;
  env.options = &app_.options();
  env.status = [this](std::string_view text) { set_status(from_sjis(text)); };
  present::Pane& pane = result(check::kTabSingle);
  pane.clear();
  tabs_->setCurrentIndex(check::kTabSingle);
  present::show_item_result(pane, rec->folder_path,
                            compare::read_current_log_number(rec->folder_path), true, *rec, env);
  result(check::kTabSingle).scroll_to_offset(0);
  set_status({});
}

}  // namespace ks::gui
