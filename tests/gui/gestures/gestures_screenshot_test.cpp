// Pictures of the gestures on a real X server (Xvfb) with the Japanese
// font, kept beside the test as artifacts for a person to look at: the tree
// while a node is dragged into a group (the drop mark), and the overwrite
// question of a paste.
#include <QDragEnterEvent>
#include <QMimeData>
#include <QTreeView>
#include <QtTest>

#include "fixture.h"
#include "gesture_script.h"
#include "gui/gestures/item_tree_view.h"
#include "shell/commands.h"
#include "shell/tree_model.h"

using ks::test::GuiBench;
using ks::test::ModalScript;

namespace {

QString artifact(const char* name) {
  return QStringLiteral(KS_ARTIFACT_DIR "/") + QString::fromLatin1(name);
}

}  // namespace

class GesturesScreenshot : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void drop_mark_and_overwrite_question() {
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
      QSKIP("needs an X server (run under xvfb-run)");
    }
    GuiBench b;
    b.add_item("ニュース.grp/朝刊.dat", b.url("/a"));
    b.add_item("ニュース.grp/夕刊.dat", b.url("/b"));
    b.add_item("日記.grp/今日.dat", b.url("/c"));
    b.add_item("天気予報.dat", b.url("/d"));
    // A twin of "ニュース" inside "日記", for the overwrite question.
    b.add_item("日記.grp/ニュース.grp/朝刊.dat", b.url("/a"));
    b.set_options([](ks::app_options::Options& o) { o.auto_tree_sort = 0; });
    b.start();
    b.window().resize(900, 560);
    b.window().tree_view()->expandAll();
    QVERIFY(QTest::qWaitForWindowExposed(&b.window()));

    auto* view = qobject_cast<ks::gui::ItemTreeView*>(b.window().tree_view());
    const QRect row = view->visualRect(b.window().model().index_of(b.node("日記")));
    const QPoint at(row.left() + 8, row.center().y());
    std::unique_ptr<QMimeData> mime(ks::gui::make_node_mime(b.node("天気予報")));
    QDragEnterEvent enter(at, Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &enter);
    QDragMoveEvent move(at, Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &move);
    QVERIFY(view->drop_mark().has_value());
    QTest::qWait(200);
    QVERIFY(b.window().grab().save(artifact("gesture_drop_mark.png")));
    QDragLeaveEvent leave;
    QApplication::sendEvent(view->viewport(), &leave);

    // Copying "ニュース" into "日記", which holds a group of that name.
    ModalScript pictures([](QWidget* d, int) {
      QTest::qWait(200);
      d->grab().save(artifact("gesture_overwrite_question.png"));
      ModalScript::press(d, QStringLiteral("overwrite_cancel"));
    });
    b.window().select_node(b.node("ニュース"));
    b.window().command(ks::gui::kCmdCopyNode);
    b.window().select_node(b.node("日記"));
    b.window().command(ks::gui::kCmdPaste);
    QVERIFY(QFile::exists(artifact("gesture_overwrite_question.png")));
  }
};

QTEST_MAIN(GesturesScreenshot)
#include "gestures_screenshot_test.moc"
