#include "store/auth_pass.h"

#include <gtest/gtest.h>

#include <vector>

#include "store/browser_numbers.h"

namespace ks::store {
namespace {

TEST(AuthPass, RoundTripsAndIsNeverStoredInClear) {
  for (const std::string& pw :
       std::vector<std::string>{"a", "abcd", "abcde", "p@ss w0rd!", std::string(64, 'z'),
                                std::string("\x95\x5C\x83\x7C")}) {
    auto stored = encipher_password(pw);
    ASSERT_TRUE(stored) << pw;
    // A short password can turn up in random Base64 by chance ("a" does in about
    // one stored form of six), so only look for the longer ones in the clear.
    if (pw.size() >= 4) {
      EXPECT_EQ(stored->find(pw), std::string::npos);
    }
    EXPECT_EQ(stored->size() % 4, 0u);
    EXPECT_EQ(decipher_password(*stored), pw);
  }
}

TEST(AuthPass, TheFirstBlockIsSaltedSoEqualPasswordsDiffer) {
  // Four random bytes make a repeat of the same form unlikely; allow one.
  int same = 0;
  for (int i = 0; i < 4; ++i) same += *encipher_password("same") == *encipher_password("same");
  EXPECT_LT(same, 2);
}

TEST(AuthPass, EmptyAndOverlongPasswords) {
  EXPECT_EQ(encipher_password(""), "");
  EXPECT_EQ(decipher_password(""), "");
  // 72 bytes make 18 blocks: 144 bytes, 192 in Base64. One more byte is too long.
  EXPECT_EQ(encipher_password(std::string(72, 'x'))->size(), kMaxAuthPassStored);
  EXPECT_FALSE(encipher_password(std::string(73, 'x')));
}

TEST(AuthPass, DamagedStoredFormsGiveNothing) {
  EXPECT_EQ(decipher_password("not base64!"), "");
  EXPECT_EQ(decipher_password("QUJD"), "");  // 3 bytes: not a whole block
  EXPECT_EQ(decipher_password(std::string(200, 'A')), "");
}

TEST(BrowserNumbers, SamePathSameNumberAndTheRingWraps) {
  BrowserNumbers t;
  int a = t.number_for("/bin/a");
  EXPECT_EQ(a, 1);
  EXPECT_EQ(t.number_for("/bin/a"), 1);
  EXPECT_EQ(t.number_for("/bin/A"), 2);  // exact case
  for (int i = 0; i < 49; ++i) t.number_for("/bin/x" + std::to_string(i));
  // 51 paths so far: "/bin/a" (the oldest) was replaced and gets a new number.
  EXPECT_EQ(t.program_for(1), "");
  EXPECT_EQ(t.number_for("/bin/a"), 52);
  EXPECT_EQ(t.number_for("/bin/A"), 53);  // replaced next
}

}  // namespace
}  // namespace ks::store
