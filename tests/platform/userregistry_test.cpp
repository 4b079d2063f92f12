// SPDX-License-Identifier: MIT
#include "userregistry.h"

#include <gtest/gtest.h>

#include "atomicfile.h"
#include "platform/scopedenv.h"
#include "testutil/tempfolder.h"

#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using tessary::platform::EFileError;
using tessary::platform::TUserRegistry;

class UserRegistry : public tessary::testing::TTempFolderTest {
 protected:
  std::string Root() const { return PathOf("registry"); }
  std::set<std::string> FilesIn(const std::string& dir) const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
    return names;
  }
};

TEST_F(UserRegistry, DefaultRootFollowsXdgConfigHome) {
  tessary::testing::TScopedEnv env;
  env.Set("XDG_CONFIG_HOME", FDir.string());
  EXPECT_EQ(TUserRegistry().Root(), PathOf("tessary/registry"));
  EXPECT_EQ(TUserRegistry("/elsewhere").Root(), "/elsewhere");
}

TEST_F(UserRegistry, OpeningWithoutCreateNeedsAnExistingKey) {
  TUserRegistry registry(Root());
  EXPECT_FALSE(registry.OpenKey("Software\\Tessary\\MRU", false));
  EXPECT_FALSE(registry.IsOpen());
  EXPECT_FALSE(fs::exists(Root())) << "looking creates nothing";

  ASSERT_TRUE(registry.OpenKey("Software\\Tessary\\MRU", true));
  EXPECT_TRUE(fs::is_directory(Root() + "/Software/Tessary/MRU"));
  registry.CloseKey();
  EXPECT_FALSE(registry.IsOpen());

  const char* spellings[] = {"Software\\Tessary\\MRU", "Software/Tessary/MRU",
                             "\\Software\\\\Tessary\\MRU\\", "Software\\Tessary"};
  for (const char* path : spellings) {
    EXPECT_TRUE(registry.OpenKey(path, false)) << path;
    EXPECT_TRUE(registry.IsOpen()) << path;
  }
  EXPECT_FALSE(registry.OpenKey("Software\\Missing", false));
  EXPECT_FALSE(registry.IsOpen()) << "a failed open leaves no key open";
}

TEST_F(UserRegistry, RefusesPathsLeavingTheHive) {
  const std::string refused[] = {"",      "\\",    "/",    ".", "..", "Software\\..\\..\\etc",
                                 "a/./b", "a\\..", "a\0b"s};
  TUserRegistry registry(Root());
  for (const std::string& path : refused) {
    EXPECT_FALSE(registry.OpenKey(path, true)) << path;
    EXPECT_FALSE(registry.IsOpen()) << path;
  }
  EXPECT_FALSE(fs::exists(Root())) << "nothing created";
}

struct TValueCase {
  std::string Name;
  std::string Value;
  std::string File;
  const char* What;
};

TEST_F(UserRegistry, ValuesRoundTripInFilesNamedAfterThem) {
  const TValueCase cases[] = {
      {"MRU1", "/home/李/计算 1.txt", "MRU1", "non-ASCII and a space"},
      {"MRU2", "C:\\a & b\\x.txt", "MRU2", "& and backslashes"},
      {"MRU3", "", "MRU3", "an empty string exists"},
      {"a/b", "slash", "a%2Fb", "/ escaped"},
      {".hidden", "dot", "%2Ehidden", "a leading . escaped"},
      {"..", "dots", "%2E.", "no parent folder"},
      {"x.y", "inner dot", "x.y", "an inner . kept"},
      {"100%", "percent", "100%25", "% escaped"},
      {"nul\0x"s, "nul", "nul%00x", "NUL escaped"},
      {"", "default", "%", "the unnamed default value"},
      {"名 称", "值\0bin"s, "名 称", "bytes kept as they are"},
  };
  TUserRegistry registry(Root());
  ASSERT_TRUE(registry.OpenKey("Software\\Tessary\\MRU", true));
  const std::string dir = Root() + "/Software/Tessary/MRU";
  std::set<std::string> files;
  for (const TValueCase& c : cases) {
    SCOPED_TRACE(c.What);
    EXPECT_FALSE(registry.ValueExists(c.Name));
    EXPECT_EQ(registry.ReadString(c.Name), "");
    registry.WriteString(c.Name, c.Value);
    EXPECT_TRUE(registry.ValueExists(c.Name));
    EXPECT_EQ(registry.ReadString(c.Name), c.Value);
    EXPECT_EQ(TUserRegistry::ValueFileName(c.Name), c.File);
    files.insert(c.File);
    EXPECT_EQ(FilesIn(dir), files) << "one file per value, no temporary left";
  }
  // Reopened by another instance, and rewritten.
  TUserRegistry again(Root());
  ASSERT_TRUE(again.OpenKey("Software/Tessary/MRU", false));
  for (const TValueCase& c : cases) EXPECT_EQ(again.ReadString(c.Name), c.Value) << c.What;
  again.WriteString("MRU1", "/new.txt");
  EXPECT_EQ(registry.ReadString("MRU1"), "/new.txt");
  EXPECT_EQ(FilesIn(dir), files);
}

TEST_F(UserRegistry, NoOpenKeyAndClashesFailCleanly) {
  TUserRegistry registry(Root());
  EXPECT_FALSE(registry.ValueExists("MRU1"));
  EXPECT_EQ(registry.ReadString("MRU1"), "");
  EXPECT_THROW(registry.WriteString("MRU1", "x"), std::logic_error);

  ASSERT_TRUE(registry.OpenKey("Software\\Tessary", true));
  ASSERT_TRUE(fs::create_directory(Root() + "/Software/Tessary/MRU"));
  EXPECT_FALSE(registry.ValueExists("MRU")) << "a subkey is no value";
  EXPECT_EQ(registry.ReadString("MRU"), "");
  EXPECT_THROW(registry.WriteString("MRU", "x"), EFileError);
  EXPECT_THROW(registry.WriteString(std::string(300, 'n'), "x"), EFileError) << "name too long";

  registry.WriteString("Value", "x");
  EXPECT_FALSE(registry.OpenKey("Software\\Tessary\\Value", true)) << "a value is no subkey";
}

}  // namespace
