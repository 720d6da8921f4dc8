// The pages of the options sheet (options_sheet.h), one file each, and the
// table that orders them. Each page binds its controls to fields of the
// sheet's copy of the options.
#pragma once

#include <QString>
#include <vector>

#include "app/options/options.h"
#include "gui/dialogs/page_form.h"
#include "gui/dialogs/property_sheet.h"

class QGridLayout;
class QLabel;

namespace ks::gui {

struct OptionsEnv;

class OptionPage : public SheetPage {
  Q_OBJECT

 public:
  explicit OptionPage(app_options::Options& o) : o_(o) {}
  void apply() override { bind_.apply(); }

 protected:
  app_options::Options& o_;
  Bindings bind_;
};

using OptionPageFactory = SheetPage* (*)(app_options::Options&, const OptionsEnv&);
struct OptionPageEntry {
  const char* caption;  // UTF-8
  OptionPageFactory make;
};
// The pages in sheet order.
const std::vector<OptionPageEntry>& option_pages();

SheetPage* make_network_page(app_options::Options& o, const OptionsEnv& env);
SheetPage* make_behaviour_page(app_options::Options& o, const OptionsEnv& env);
SheetPage* make_log_page(app_options::Options& o, const OptionsEnv& env);
SheetPage* make_font_page(app_options::Options& o, const OptionsEnv& env);
SheetPage* make_tree_page(app_options::Options& o, const OptionsEnv& env);
SheetPage* make_other_options_page(app_options::Options& o, const OptionsEnv& env);
SheetPage* make_highlight_page(app_options::Options& o, const OptionsEnv& env);
SheetPage* make_heading_page(app_options::Options& o, const OptionsEnv& env);
SheetPage* make_html_page(app_options::Options& o, const OptionsEnv& env);
SheetPage* make_statistics_page(app_options::Options& o, const OptionsEnv& env);
SheetPage* make_schedule_page(app_options::Options& o, const OptionsEnv& env);

// A row of widgets side by side with a stretch at its end, as one widget.
QWidget* option_row(std::initializer_list<QWidget*> widgets);

}  // namespace ks::gui
