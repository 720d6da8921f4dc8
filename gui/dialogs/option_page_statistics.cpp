// "統計情報": read-only counters for this run of the program ("今回") and
// for today ("今日").
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

#include "gui/dialogs/options_pages.h"
#include "gui/dialogs/options_sheet.h"

namespace ks::gui {
namespace {

QString duration_text(int64_t seconds) {
  const int64_t s = std::max<int64_t>(seconds, 0);
  return QStringLiteral("%1:%2:%3")
      .arg(s / 3600)
      .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString bytes_text(int64_t bytes) {
  return QLocale(QLocale::Japanese).toString(static_cast<qlonglong>(bytes)) +
         QStringLiteral(" バイト");
}

class StatisticsPage final : public SheetPage {
 public:
  explicit StatisticsPage(const OptionsEnv& env) {
    auto* layout = new QVBoxLayout(this);
    auto* g = new QGridLayout;
    layout->addLayout(g);
    g->addWidget(new QLabel(QStringLiteral("今回")), 0, 1, Qt::AlignRight);
    g->addWidget(new QLabel(QStringLiteral("今日")), 0, 2, Qt::AlignRight);
    const app_options::Statistics* both[] = {&env.session, &env.today};
    const char* names[] = {"通信時間", "受信ページ数", "受信データ量", "起動リンク数"};
    for (int r = 0; r < 4; ++r) {
      g->addWidget(new QLabel(QString::fromUtf8(names[r])), r + 1, 0);
      for (int c = 0; c < 2; ++c) {
        const app_options::Statistics& s = *both[c];
        const QString value = r == 0   ? duration_text(s.trx_time)
                              : r == 1 ? QString::number(s.num_sites)
                              : r == 2 ? bytes_text(s.rx_data_bytes)
                                       : QString::number(s.num_open_links);
        auto* label = new QLabel(value);
        label->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
        g->addWidget(label, r + 1, c + 1, Qt::AlignRight);
      }
    }
    g->setHorizontalSpacing(24);
    g->setColumnStretch(3, 1);
    layout->addStretch(1);
  }
  void apply() override {}
};

}  // namespace

SheetPage* make_statistics_page(app_options::Options&, const OptionsEnv& env) {
  return new StatisticsPage(env);
}

}  // namespace ks::gui
