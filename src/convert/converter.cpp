#include "convert/converter.h"

#include "convert/context.h"
#include "net/body_sink.h"
#include "store/page_settings.h"

namespace ks::convert {

ConvertSettings ConvertSettings::from(const store::PageSettings& page, std::string_view page_url) {
  ConvertSettings s;
  s.table_setting = page.table_setting;
  s.charset_sel = page.charset_sel;
  s.as_text = page.as_text != 0;
  s.save_comment = page.save_comment != 0;
  s.save_select = page.save_select != 0;
  s.save_iframe = page.save_iframe != 0;
  s.ignore_a_name = page.ignore_a_name != 0;
  s.save_rss_description = page.save_rss_description != 0;
  s.save_rss_content = page.save_rss_content != 0;
  s.page_url = std::string(page_url);
  return s;
}

Converter::Converter(const ConvertSettings& settings, TextOutput& out)
    : ctx_(std::make_unique<Context>(settings, out)) {}
Converter::~Converter() = default;

void Converter::begin_pass(int pass) {
  ctx_->begin_pass(pass);
}
void Converter::header_charset(std::string_view name) {
  ctx_->header_charset(name);
}
void Converter::text_line(std::string_view line) {
  ctx_->text_line(line);
}
bool Converter::write(std::string_view bytes) {
  return ctx_->write(bytes);
}
bool Converter::end_pass() {
  return ctx_->end_pass();
}
void Converter::set_stop_flag(const std::atomic<bool>* stop) {
  ctx_->stop_flag = stop;
}
bool Converter::stopped() const {
  return ctx_->stopped;
}
int Converter::charset() const {
  return ctx_->charset();
}

namespace {
class StringOutput : public TextOutput {
 public:
  void write(std::string_view bytes) override { text.append(bytes); }
  std::string text;
};
}  // namespace

std::string convert_body(std::string_view body, const ConvertSettings& settings) {
  StringOutput out;
  Converter conv(settings, out);
  for (int pass = 1; pass <= net::kMaxPasses; ++pass) {
    out.text.clear();
    conv.begin_pass(pass);
    conv.write(body);
    if (!conv.end_pass()) break;
  }
  return std::move(out.text);
}

}  // namespace ks::convert
