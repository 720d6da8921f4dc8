// The application core as a front end starts it: a check session it makes
// runs over its tree and goes away whole (the session owns its display
// composer; the sanitizer build sees a partial or mismatched delete).
#include "app/application.h"

#include <gtest/gtest.h>

#include <variant>

#include "platform/sjis.h"
#include "support/app_folder.h"

namespace ks::app {
namespace {

TEST(Application, SessionRunsOverTheTreeAndIsDestroyedWhole) {
  test::AppFolder folder;
  StartOptions so;
  so.home = sjis_to_utf8(folder.app());
  so.access = Access::kChange;
  so.holder = "a test";
  StartError error;
  auto core = Application::start(so, error);
  ASSERT_NE(core, nullptr) << error.message;
  EXPECT_TRUE(core->owns_data_folder());
  check::RunEventQueue events;
  std::unique_ptr<check::CheckSession> session = core->make_session(events);
  ASSERT_TRUE(session->start(core->tree().root(), check::CheckKind::kSelected, core->options(),
                             core->folders().base));
  bool ended = false;
  for (int i = 0; i < 100 && !ended; ++i) {
    if (auto e = events.wait_pop(100)) ended = std::holds_alternative<check::RunEnded>(e->body);
  }
  ASSERT_TRUE(ended);
  const check::RunCompletion done = session->complete();
  EXPECT_EQ(done.counters.started, 0);
  EXPECT_EQ(done.first_text, KS_SJ("チェック対象のアイテムがありません。"));
  session.reset();
  core->release();
  EXPECT_FALSE(core->owns_data_folder());
}

}  // namespace
}  // namespace ks::app
