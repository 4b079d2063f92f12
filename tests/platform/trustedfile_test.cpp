// SPDX-License-Identifier: MIT
// Code is loaded only from where no other user can have put it: the file and
// every folder from the install prefix down to it.

#include "trustedfile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <string>

#include "testutil/tempfolder.h"

namespace tessary {
namespace {

constexpr uid_t kNobody = 65534;

class TrustedFile : public testing::TTempFolderTest {};

TEST_F(TrustedFile, OnlyFilesNoOtherUserCouldHavePlanted) {
  const struct {
    const char* What;
    const char* Changed;  // relative to the prefix; "" for none
    mode_t Mode;          // 0: keep
    bool Foreign;         // chown nobody (needs root)
    bool Link;            // the module is a link to a good copy
    const char* Why;      // "" when trusted
  } cases[] = {
      {"all the user's own", "", 0, false, false, ""},
      {"a folder others may write", "lib/tessary", 0777, false, false, "其他用户可以写入"},
      {"a folder the group may write", "lib", 0775, false, false, "其他用户可以写入"},
      {"the prefix others may write", ".", 01777, false, false, "其他用户可以写入"},
      {"the module others may write", "lib/tessary/mod.so", 0666, false, false, "其他用户可以写入"},
      {"the module of another user", "lib/tessary/mod.so", 0, true, false, "属于另一个用户"},
      {"a folder of another user", "lib", 0, true, false, "属于另一个用户"},
      {"the module is a link", "", 0, false, true, "是符号链接"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    if (c.Foreign && geteuid() != 0) {
      std::cout << "skipped \"" << c.What << "\": chown needs root\n";
      continue;
    }
    const std::string prefix = PathOf(std::string("prefix-") + std::to_string(&c - cases));
    std::filesystem::create_directories(prefix + "/lib/tessary");
    for (const char* d : {"", "/lib", "/lib/tessary"}) chmod((prefix + d).c_str(), 0755);
    const std::string module = prefix + "/lib/tessary/mod.so";
    if (c.Link) {
      Put(prefix + "/lib/tessary/real.so", "ELF");
      ASSERT_EQ(symlink("real.so", module.c_str()), 0);
    } else {
      Put(module, "ELF");
      chmod(module.c_str(), 0644);
    }
    const std::string changed = prefix + "/" + c.Changed;
    if (c.Mode != 0) chmod(changed.c_str(), c.Mode);
    if (c.Foreign) {
      ASSERT_EQ(lchown(changed.c_str(), kNobody, kNobody), 0);
    }
    std::string why;
    const bool trusted = platform::IsTrustedFile(prefix, module, why);
    EXPECT_EQ(trusted, std::string(c.Why).empty()) << why;
    if (!trusted) {
      EXPECT_NE(why.find(c.Why), std::string::npos) << why;
    }
  }
  std::string why;
  EXPECT_FALSE(platform::IsTrustedFile(PathOf("prefix-0"), PathOf("prefix-0/lib/none.so"), why));
  EXPECT_FALSE(platform::IsTrustedFile(PathOf("prefix-0/lib"), PathOf("elsewhere.so"), why))
      << "a file outside the prefix";
}

}  // namespace
}  // namespace tessary
