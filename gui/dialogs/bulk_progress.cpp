#include "gui/dialogs/bulk_progress.h"

#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <atomic>
#include <thread>

#include "gui/viewer/sjis_qt.h"

namespace ks::gui {
namespace {

class BulkProgress final : public QDialog {
 public:
  BulkProgress(QWidget* parent, std::atomic<bool>& cancel) : QDialog(parent), cancel_(cancel) {
    setObjectName(QStringLiteral("bulk_progress"));
    setWindowTitle(QStringLiteral("一括設定変更中"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("設定を変更しています...")));
    name_ = new QLabel;
    name_->setTextFormat(Qt::PlainText);  // item names may hold '<'
    name_->setObjectName(QStringLiteral("current_item"));
    name_->setMinimumWidth(320);
    layout->addWidget(name_);
    auto* cancel_button = new QPushButton(QStringLiteral("キャンセル"));
    cancel_button->setObjectName(QStringLiteral("cancel"));
    layout->addWidget(cancel_button, 0, Qt::AlignRight);
    connect(cancel_button, &QPushButton::clicked, this, [this] { reject(); });
  }

  void show_item(const QString& name) { name_->setText(name); }
  void finished_walk() {
    walk_done_ = true;
    accept();
  }
  // Cancel (the button, Esc, the close box) only asks the walk to stop; the
  // dialog goes when the walk has ended.
  void reject() override {
    cancel_.store(true);
    if (walk_done_) QDialog::reject();
  }

 protected:
  void closeEvent(QCloseEvent* event) override {
    cancel_.store(true);
    if (!walk_done_) event->ignore();
  }

 private:
  std::atomic<bool>& cancel_;
  QLabel* name_;
  bool walk_done_ = false;
};

// The importance marks of the items the walk changed, into the real tree.
void copy_priority_marks(const store::Tree& from, store::Tree& to, store::NodeId group) {
  from.walk(group, [&](const store::Node& n, int) {
    if (n.kind() != store::NodeKind::kItem) return;
    if (store::Node* real = to.find(n.id)) {
      real->tag = (real->tag & ~store::kTagPriorityMask) | (n.tag & store::kTagPriorityMask);
    }
  });
}

}  // namespace

BulkOutcome run_bulk_change(QWidget* parent, const BulkRun& run) {
  BulkOutcome out;
  if (!run.tree) return out;
  std::atomic<bool> cancel{false};
  BulkProgress dialog(parent, cancel);
  store::Tree work = *run.tree;
  std::vector<store::PageSettings> templates;
  if (run.templates) templates = run.templates->entries();

  store::BulkHooks hooks;
  hooks.on_item = [&](const store::Node& n) {
    QMetaObject::invokeMethod(
        &dialog, [&dialog, name = display_string(n.label)] { dialog.show_item(name); },
        Qt::QueuedConnection);
    if (run.before_item) run.before_item(n);
  };
  if (run.templates) {
    hooks.template_matches = [&templates](const store::PageSettings& rec) {
      return store::find_template_index(templates, rec.url).has_value();
    };
  }
  hooks.on_no_template = [&out](const store::Node& n, const store::PageSettings& rec) {
    out.no_template.items.push_back({n.id, n.label, rec.url});
  };
  std::thread worker([&] {
    out.result =
        store::bulk_change_group(work, run.group, run.base_folder, run.change, cancel, hooks);
    QMetaObject::invokeMethod(
        &dialog, [&dialog] { dialog.finished_walk(); }, Qt::QueuedConnection);
  });
  dialog.exec();
  worker.join();
  copy_priority_marks(work, *run.tree, run.group);
  return out;
}

}  // namespace ks::gui
