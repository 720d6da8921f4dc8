// "通信": the proxy, the last-modified check, redirects, retries, the
// time-out, the number of concurrent transfers and the pause between
// transfers (stored in milliseconds, shown in seconds with a fraction).
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

#include "app/options/options.h"
#include "gui/dialogs/options_pages.h"

namespace ks::gui {
namespace {

class NetworkPage final : public OptionPage {
 public:
  explicit NetworkPage(app_options::Options& o) : OptionPage(o) {
    auto* layout = new QVBoxLayout(this);
    auto* proxy = new QGroupBox(QStringLiteral("Proxy"));
    auto* pg = new QGridLayout(proxy);
    pg->addWidget(bind_.check(QStringLiteral("Proxyサーバを使用する"), &o.use_proxy), 0, 0, 1, 2);
    QLineEdit* host = bind_.line(&o.proxy_url, app_options::kProxyUrlCapacity - 1);
    host->setObjectName(QStringLiteral("proxy_url"));
    pg->addWidget(caption(QStringLiteral("Proxyサーバ名またはアドレス"), host), 1, 0);
    pg->addWidget(host, 1, 1);
    QSpinBox* port = bind_.spin(0, 65535, &o.proxy_port);
    pg->addWidget(caption(QStringLiteral("ポート"), port), 2, 0);
    pg->addWidget(option_row({port}), 2, 1);
    pg->setColumnStretch(1, 1);
    layout->addWidget(proxy);

    auto* fetch = new QGroupBox(QStringLiteral("通信"));
    auto* fg = new QVBoxLayout(fetch);
    fg->addWidget(bind_.check(QStringLiteral("最終更新時刻を確認する"), &o.use_head));
    fg->addWidget(
        bind_.check(QStringLiteral("HTTPリダイレクトを行わない"), &o.disable_http_redirect));
    QSpinBox* retry = bind_.spin(0, 9, &o.retry);
    QSpinBox* timeout = bind_.spin(5, 99, &o.timeout);
    QSpinBox* connections = bind_.spin(1, 32, &o.max_connection);
    fg->addWidget(
        option_row({caption(QStringLiteral("リトライ"), retry), retry,
                    caption(QStringLiteral("回")), caption(QStringLiteral("タイムアウト"), timeout),
                    timeout, caption(QStringLiteral("秒"))}));
    fg->addWidget(option_row({caption(QStringLiteral("同時通信数"), connections), connections}));
    interval_ = new QLineEdit;
    interval_->setObjectName(QStringLiteral("tx_interval"));
    interval_->setMaxLength(5);
    interval_->setFixedWidth(interval_->fontMetrics().horizontalAdvance(QStringLiteral("00.000")) +
                             16);
    interval_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^(10(\\.0*)?|\\d?(\\.\\d{0,3})?)$")), interval_));
    interval_->setText(QString::number(o.tx_interval / 1000.0));
    fg->addWidget(option_row({caption(QStringLiteral("通信間隔"), interval_), interval_,
                              caption(QStringLiteral("秒"))}));
    layout->addWidget(fetch);
    layout->addStretch(1);
  }

  void apply() override {
    OptionPage::apply();
    const double seconds = interval_->text().toDouble();
    o_.tx_interval = static_cast<int32_t>(std::clamp(std::lround(seconds * 1000.0), 0L, 10000L));
  }

 private:
  QLineEdit* interval_;
};

}  // namespace

SheetPage* make_network_page(app_options::Options& o, const OptionsEnv&) {
  return new NetworkPage(o);
}

}  // namespace ks::gui
