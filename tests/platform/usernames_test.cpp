// SPDX-License-Identifier: MIT
#include "usernames.h"

#include <gtest/gtest.h>

#include "platform/scopedenv.h"

#include <stdio.h>

#include <optional>
#include <string>

namespace {

using tessary::platform::TPasswdEntry;
namespace platform = tessary::platform;

TEST(UserNames, FullNameIsTheGecosTextBeforeTheFirstComma) {
  const struct {
    const char* gecos;
    const char* fullName;
  } cases[] = {
      {"Li Lei,Room 12,555-0100,,", "Li Lei"},
      {"李雷", "李雷"},  // no comma: the whole field
      {"", ""},
      {",Room 12", ""},  // office data but no name
      {"Han Meimei,", "Han Meimei"},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::GecosFullName(c.gecos), c.fullName) << c.gecos;
}

// Each row: the password entry (or none), $USER, $LOGNAME, and the owner and
// logged-on user name that result.
TEST(UserNames, OwnerFallsBackToTheLoggedOnUserName) {
  const struct {
    std::optional<TPasswdEntry> entry;
    std::optional<std::string> user, logname;
    const char* owner;
    const char* loggedOn;
  } cases[] = {
      {TPasswdEntry{"lilei", "Li Lei,,,", ""}, "env", "env", "Li Lei", "lilei"},
      {TPasswdEntry{"lilei", "", ""}, "env", "env", "lilei", "lilei"},
      {TPasswdEntry{"lilei", ",Room 12", ""}, std::nullopt, std::nullopt, "lilei", "lilei"},
      // No entry at all (a container user without one): the environment.
      {std::nullopt, "fromuser", "fromlogname", "fromuser", "fromuser"},
      {std::nullopt, std::nullopt, "fromlogname", "fromlogname", "fromlogname"},
      {std::nullopt, "", "fromlogname", "fromlogname", "fromlogname"},
      {TPasswdEntry{"", "", ""}, "fromuser", std::nullopt, "fromuser", "fromuser"},
      {std::nullopt, std::nullopt, std::nullopt, "", ""},
  };
  for (const auto& c : cases) {
    tessary::testing::TScopedEnv env;
    env.Set("USER", c.user);
    env.Set("LOGNAME", c.logname);
    EXPECT_EQ(platform::RegisteredOwner(c.entry), c.owner) << c.owner;
    EXPECT_EQ(platform::LoggedOnUserName(c.entry), c.loggedOn) << c.loggedOn;
  }
}

TEST(UserNames, CurrentUserComesFromThePasswordDatabase) {
  // Compared with what the system's own tool reports for this process.
  FILE* pipe = popen("id -un 2>/dev/null", "r");
  ASSERT_NE(pipe, nullptr);
  char line[256] = {};
  const bool read = fgets(line, sizeof line, pipe) != nullptr;
  pclose(pipe);
  ASSERT_TRUE(read);
  std::string expected(line);
  while (!expected.empty() && (expected.back() == '\n' || expected.back() == '\r'))
    expected.pop_back();

  tessary::testing::TScopedEnv env;
  env.Set("USER", "someone-else");  // the database wins over the environment
  EXPECT_EQ(platform::LoggedOnUserName(), expected);
  const auto entry = platform::CurrentPasswdEntry();
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->Name, expected);
  EXPECT_FALSE(platform::RegisteredOwner().empty());
}

TEST(UserNames, OrganizationIsTheOrganizationVariable) {
  tessary::testing::TScopedEnv env;
  env.Set("ORGANIZATION", "泰斯瑞软件");
  EXPECT_EQ(platform::RegisteredOrganization(), "泰斯瑞软件");
  env.Set("ORGANIZATION", std::nullopt);
  EXPECT_EQ(platform::RegisteredOrganization(), "");
}

}  // namespace
