// The item tree as a Qt item model. The model keeps its own mirror of the
// core's tree (structure, labels, tags), so the view never reads the core's
// tree while a check run owns it: a run's per-item events change the mirror
// through set_tag(), and after an operation that changed the core's tree
// (a tree operation, a repair) sync() brings the mirror in line with fine-
// grained row signals, so expanded branches and the selection survive.
//
// The tree shows one top row, the root "data". Node ids are the index's
// internal id. Labels are shown as the core holds them (Shift_JIS turned
// into Unicode once per change); a group's item count follows its label
// when the option to show counts is on. Nodes whose last check found an
// update or an error are bold.
//
// Renaming in place goes through the rename hook (the tree operation); the
// model then syncs. Threads: the UI thread only.
#pragma once

#include <QAbstractItemModel>
#include <QColor>
#include <QFont>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "store/tree.h"

namespace ks::gui {

class TreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  // `tree` must outlive the model; read only by sync() and reset().
  explicit TreeModel(const store::Tree& tree, QObject* parent = nullptr);

  // Renames a node in the core (the tree operation); true when it did. The
  // model syncs after it either way.
  using RenameHook = std::function<bool(store::NodeId, const QString&)>;
  void set_rename_hook(RenameHook hook) { rename_ = std::move(hook); }

  // Item counts after group labels (TREEVIEW_DISP_ITEM_COUNT).
  void set_show_counts(bool on);
  // Colours of the options' tree font (nullopt: the view's own).
  void set_colors(std::optional<QColor> text, std::optional<QColor> back);

  // Rebuilds the mirror from the tree (after the tree was replaced).
  void reset();
  // Brings the mirror in line with the tree. Not while a run owns the tree.
  void sync();
  // A node's new tag (a finished item's marks).
  void set_tag(store::NodeId id, uint32_t tag);
  // Tells the model which groups the view shows open (their icon).
  void set_expanded(const QModelIndex& index, bool expanded);

  QModelIndex index_of(store::NodeId id) const;
  store::NodeId node_of(const QModelIndex& index) const;
  std::optional<uint32_t> tag_of(store::NodeId id) const;
  QString label_of(store::NodeId id) const;
  std::size_t node_count() const { return nodes_.size(); }

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  struct Entry {
    store::NodeId parent = store::kNoNode;
    std::vector<store::NodeId> children;
    int row = 0;
    uint32_t tag = 0;
    std::string label_sjis;
    QString label;
    bool expanded = false;
  };

  Entry* entry(store::NodeId id);
  const Entry* entry(store::NodeId id) const;
  void mirror_subtree(store::NodeId id, store::NodeId parent, int row);
  void forget_subtree(store::NodeId id);
  void renumber(Entry& e, std::size_t from);
  void sync_node(store::NodeId id);
  void remove_rows(store::NodeId parent, int first, int last);
  void take_out(store::NodeId id);
  bool update_own(store::NodeId id, const store::Node& node);
  void changed(store::NodeId id);
  void repaint_all();

  const store::Tree& tree_;
  std::unordered_map<store::NodeId, Entry> nodes_;
  store::NodeId root_ = store::kNoNode;
  RenameHook rename_;
  bool show_counts_ = false;
  std::optional<QColor> text_color_;
  std::optional<QColor> back_color_;
};

}  // namespace ks::gui
