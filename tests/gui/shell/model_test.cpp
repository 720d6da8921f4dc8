// The tree model against the core's tree: QAbstractItemModelTester watches
// every signal while items are added, moved between and within groups,
// renamed in place and marked by a check; after each step the model must
// show exactly the core's tree.
#include <QAbstractItemModelTester>
#include <QFont>
#include <QtTest>

#include "platform/sjis.h"
#include "shell/qt_text.h"
#include "shell/tree_model.h"
#include "store/node.h"
#include "store/tree.h"

using ks::store::NodeId;
using ks::store::NodeKind;

class ModelTest : public QObject {
  Q_OBJECT

 private:
  // The model shows the tree node for node: labels, kinds, order.
  void expect_same(const ks::gui::TreeModel& m, const ks::store::Tree& t, NodeId id,
                   const QModelIndex& at) {
    const ks::store::Node* n = t.find(id);
    QVERIFY(n);
    QCOMPARE(m.node_of(at), id);
    QCOMPARE(at.data(Qt::EditRole).toString(), ks::gui::from_sjis(n->label));
    QCOMPARE(m.rowCount(at), static_cast<int>(n->children.size()));
    for (std::size_t i = 0; i < n->children.size(); ++i) {
      expect_same(m, t, n->children[i], m.index(static_cast<int>(i), 0, at));
    }
  }
  void expect_same(const ks::gui::TreeModel& m, const ks::store::Tree& t) {
    QCOMPARE(m.rowCount(), 1);
    expect_same(m, t, t.root(), m.index(0, 0));
  }

 private Q_SLOTS:
  void follows_adds_moves_renames_and_marks() {
    ks::store::Tree t;
    const NodeId root = t.add_root();
    const NodeId news = t.add(root, NodeKind::kGroup, KS_SJ("ニュース"));
    const NodeId a = t.add(news, NodeKind::kItem, "a");
    const NodeId b = t.add(news, NodeKind::kItem, "b");
    const NodeId sub = t.add(news, NodeKind::kGroup, "sub");
    t.add(sub, NodeKind::kItem, "deep");
    t.add(root, NodeKind::kTemplateRoot, ks::store::Tree::template_root_label());

    ks::gui::TreeModel m(t);
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    // Renaming goes through the hook; this one sorts like the core does.
    m.set_rename_hook([&](NodeId id, const QString& label) {
      t.find(id)->label = ks::gui::to_sjis(label);
      NodeId parent = t.find(id)->parent;
      t.move(id, parent, 0);
      return true;
    });
    QPersistentModelIndex keep = m.index_of(b);
    expect_same(m, t);

    // Adds: at the end, in the middle, and a whole subtree at once.
    const NodeId c = t.add(news, NodeKind::kItem, "c");
    t.add(news, NodeKind::kItem, "between", 0, 1);
    const NodeId g2 = t.add(root, NodeKind::kGroup, "g2", 0, 0);
    t.add(g2, NodeKind::kItem, "x");
    t.add(g2, NodeKind::kItem, "y");
    m.sync();
    expect_same(m, t);

    // Moves: within a group, to another group, and a group with children.
    t.move(c, news, 0);
    t.move(a, g2, 1);
    t.move(sub, g2, 0);
    m.sync();
    expect_same(m, t);
    QCOMPARE(m.node_of(keep), b);

    // A parent and its child swapping places in one step.
    t.move(sub, root, 0);
    t.move(g2, sub, 0);
    m.sync();
    expect_same(m, t);

    // Removals.
    t.remove(g2);
    m.sync();
    expect_same(m, t);

    // Rename in place through setData.
    QVERIFY(m.setData(m.index_of(b), QStringLiteral("改名")));
    expect_same(m, t);
    QCOMPARE(m.index_of(b).row(), 0);
    QVERIFY(!m.setData(m.index_of(b), QStringLiteral("改名")));  // unchanged: nothing to do

    // A check marks nodes: bold for updated and for errors.
    QVERIFY(!m.index_of(b).data(Qt::FontRole).value<QFont>().bold());
    m.set_tag(b, ks::store::tag_with_result(t.find(b)->tag, 3));
    QVERIFY(m.index_of(b).data(Qt::FontRole).value<QFont>().bold());
    m.set_tag(c, ks::store::tag_with_result(t.find(c)->tag, 4));
    QVERIFY(m.index_of(c).data(Qt::FontRole).value<QFont>().bold());
    QVERIFY(!m.index_of(c).data(Qt::DecorationRole).value<QIcon>().isNull());
  }

  void edits_only_groups_items_and_templates() {
    ks::store::Tree t;
    const NodeId root = t.add_root();
    const NodeId troot =
        t.add(root, NodeKind::kTemplateRoot, ks::store::Tree::template_root_label());
    const NodeId tpl = t.add(troot, NodeKind::kTemplate, "tpl");
    const NodeId g = t.add(root, NodeKind::kGroup, "g");
    ks::gui::TreeModel m(t);
    QVERIFY(!(m.flags(m.index_of(root)) & Qt::ItemIsEditable));
    QVERIFY(!(m.flags(m.index_of(troot)) & Qt::ItemIsEditable));
    QVERIFY(m.flags(m.index_of(tpl)) & Qt::ItemIsEditable);
    QVERIFY(m.flags(m.index_of(g)) & Qt::ItemIsEditable);
  }

  void shows_group_counts_with_the_cap() {
    ks::store::Tree t;
    const NodeId root = t.add_root();
    const NodeId few = t.add(root, NodeKind::kGroup, "few", ks::store::tag_with_count(0, 12));
    const NodeId many = t.add(root, NodeKind::kGroup, "many", ks::store::tag_with_count(0, 12000));
    ks::gui::TreeModel m(t);
    QCOMPARE(m.index_of(few).data().toString(), QStringLiteral("few"));
    m.set_show_counts(true);
    QCOMPARE(m.index_of(few).data().toString(), QStringLiteral("few 12"));
    QCOMPARE(m.index_of(many).data().toString(), QStringLiteral("many 9999+"));
    QCOMPARE(m.index_of(many).data(Qt::EditRole).toString(), QStringLiteral("many"));
  }
};

QTEST_MAIN(ModelTest)
#include "model_test.moc"
