// What the search dialogs need from the main window. The searches run on a
// worker thread over copies (the tree, the template table, the options)
// taken when a search starts, and report to the UI thread with values; the
// host's functions are called on the UI thread only.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <string>

#include "app/options/options.h"
#include "present/pane.h"
#include "store/templates.h"
#include "store/tree.h"

namespace ks::gui {

struct SearchHost {
  const store::Tree* tree = nullptr;  // copied when a search starts
  const store::TemplateTable* templates = nullptr;
  const app_options::Options* options = nullptr;
  std::string base_folder;  // ends in '/'

  std::function<store::NodeId()> selected;     // the tree's selection
  std::function<void(store::NodeId)> select;   // expand to a node and select it
  std::function<present::Pane*()> list_pane;   // the first result tab
  std::function<void()> show_list_pane;        // bring it to the front
  std::function<void()> list_done;             // caret to the top of the tab
  std::function<void(const QString&)> status;  // the status bar
  std::function<void(bool)> busy;              // menu commands off while true
  std::function<int64_t()> now;                // the clock; empty: the system's
  // Tests: called on the worker before each item of a past-log search.
  std::function<void()> before_item;
};

}  // namespace ks::gui
