// SPDX-License-Identifier: MIT
#include "inifile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "atomicfile.h"
#include "testutil/tempfolder.h"

#include <filesystem>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using tessary::platform::EFileError;
using tessary::platform::TIniFile;

class IniFile : public tessary::testing::TTempFolderTest {};

struct TReadCase {
  std::string Content;
  const char* Section;
  const char* Key;
  std::string Expected;  // "DEF" is the default
  const char* What;
};

const TReadCase kReads[] = {
    {"[MRU List]\n1=/a.txt\n", "MRU List", "1", "/a.txt", "plain"},
    {"[mru list]\n1=/a.txt\n", "MRU LIST", "1", "/a.txt", "section letter case"},
    {"[Opts]\nWidth=3\n", "opts", "WIDTH", "3", "key letter case"},
    {"  [ MRU List ]  \n  1  =  /a b.txt  \n", "MRU List", "1", "/a b.txt", "blanks around"},
    {"\t[S]\t\n\tk\t=\tv\t\n", "S", "k", "v", "tabs are blanks"},
    {"[S]\nk=\"  quoted  \"\n", "S", "k", "  quoted  ", "double quotes"},
    {"[S]\nk='single'\n", "S", "k", "single", "single quotes"},
    {"[S]\nk=\"mixed'\n", "S", "k", "\"mixed'", "unmatched quotes stay"},
    {"[S]\nk=\"\n", "S", "k", "\"", "a lone quote stays"},
    {"[S]\nk=a=b\n", "S", "k", "a=b", "the first = splits"},
    {"[S]\nk=\n", "S", "k", "", "an empty value is not the default"},
    {"[S]\n;k=commented\nk=real\n", "S", "k", "real", "a comment is no key"},
    {"[S]\n  ; k=commented\n", "S", "k", "DEF", "an indented comment"},
    {"k=top\n[S]\nj=1\n", "S", "k", "DEF", "a key before any section belongs to none"},
    {"[S]\nk\nk=2\n", "S", "k", "2", "a line without = is ignored"},
    {"[S]\nk=1\nK=2\n", "S", "k", "1", "duplicate keys: the first wins"},
    {"[S]\nj=1\n[s]\nk=2\n", "S", "k", "DEF", "duplicate sections: only the first counts"},
    {"[S]\nk=1\n[T]\n", "T", "k", "DEF", "another section's key"},
    {"[Other]\nk=1\n", "S", "k", "DEF", "missing section"},
    {"", "S", "k", "DEF", "empty file"},
    {"[S]\r\nk=crlf\r\n", "S", "k", "crlf", "CR LF line ends"},
    {"[S]\nk=no end", "S", "k", "no end", "last line without line end"},
    {"\xEF\xBB\xBF[S]\nk=bom\n", "S", "k", "bom", "byte order mark"},
    {"[S]\nk=中文 & 计算\n", "S", "k", "中文 & 计算", "UTF-8 text"},
    {"[S]\nk=\xFF\xFE\0bin\n"s, "S", "k", "\xFF\xFE\0bin"s, "binary value"},
    {"\0\xFF\xC3(\n[S]\nk=v\n"s, "S", "k", "v", "binary line before"},
    {"[S]garbage\nk=v\n", "S", "k", "v", "text after ] is ignored"},
    {"[S\nk=v\n", "S", "k", "DEF", "no ]: not a header"},
    {"[a]b]\nk=v\n", "a]b", "k", "v", "the last ] closes the name"},
    {"[S]\n=v\n", "S", "", "DEF", "no empty key"},
    {"[中文]\n键=值\n", "中文", "键", "值", "non-ASCII names match exactly"},
};

TEST_F(IniFile, ReadsLeniently) {
  const std::string path = PathOf("t.ini");
  for (const TReadCase& c : kReads) {
    Put(path, c.Content);
    const TIniFile ini(path);
    EXPECT_TRUE(ini.Exists()) << c.What;
    EXPECT_EQ(ini.ReadString(c.Section, c.Key, "DEF"), c.Expected) << c.What;
  }
}

struct TWriteCase {
  std::string Before;
  const char* Section;
  const char* Key;
  const char* Value;
  std::string After;
  const char* What;
};

const TWriteCase kWrites[] = {
    {"[A]\na=1\n", "S", "k", "v", "[A]\na=1\n\n[S]\nk=v\n", "new section after a blank line"},
    {"[A]\na=1\n\n", "S", "k", "v", "[A]\na=1\n\n[S]\nk=v\n", "no second blank line"},
    {"", "S", "k", "v", "[S]\nk=v\n", "empty file"},
    {"[A]\na=1", "S", "k", "v", "[A]\na=1\n\n[S]\nk=v", "still no final line end"},
    {"[A]\r\na=1\r\n", "S", "k", "v", "[A]\r\na=1\r\n\r\n[S]\r\nk=v\r\n", "CR LF kept"},
    {"; c\n[S]\nx=1\nk=old\ny=2\n", "S", "k", "new", "; c\n[S]\nx=1\nk=new\ny=2\n",
     "replacing keeps the other lines"},
    {"[S]\n  Key = old \n", "s", "KEY", "new", "[S]\nKey=new\n", "the file's spelling of the key"},
    {"[S]\n  k = v \n", "S", "k", "v", "[S]\n  k = v \n", "the same value: line untouched"},
    {"[S]\nk=1\nk=2\n", "S", "k", "new", "[S]\nk=new\nk=2\n", "duplicates: the first replaced"},
    {"[S]\na=1\n\n; next\n[T]\nt=1\n", "S", "k", "v", "[S]\na=1\nk=v\n\n; next\n[T]\nt=1\n",
     "a new key after the section's last key"},
    {"[S]\na=1\njunk\n\n", "S", "k", "v", "[S]\na=1\nk=v\njunk\n\n", "after the last key line"},
    {"[S]\n; c\n[T]\n", "S", "k", "v", "[S]\nk=v\n; c\n[T]\n", "a keyless section"},
    {"[S]\na=1", "S", "k", "v", "[S]\na=1\nk=v", "added last, still no line end"},
    {"[S]\r\na=1\nb=2\r\n", "S", "k", "v", "[S]\r\na=1\nb=2\r\nk=v\r\n", "mixed ends kept"},
    {"k=top\n[S]\n", "S", "k", "v", "k=top\n[S]\nk=v\n", "a key before any section untouched"},
    {"[S]\na=1\n[s]\nk=old\n", "S", "k", "v", "[S]\na=1\nk=v\n[s]\nk=old\n",
     "duplicate sections: the first written"},
    {"\0\xFF\xFE junk\n[S]\nk=old\n\xC3( bad\n"s, "S", "k", "new",
     "\0\xFF\xFE junk\n[S]\nk=new\n\xC3( bad\n"s, "binary bytes survive"},
    {"\xEF\xBB\xBF[S]\nk=1\n", "S", "k", "2", "\xEF\xBB\xBF[S]\nk=2\n", "byte order mark kept"},
    {"", "  S ", " k ", "v", "[S]\nk=v\n", "names trimmed"},
    {"", "S", "k", " padded ", "[S]\nk=\" padded \"\n", "outer blanks quoted"},
    {"", "S", "k", "'q'", "[S]\nk=\"'q'\"\n", "outer quotes quoted"},
    {"", "S", "k", "a\"b", "[S]\nk=a\"b\n", "inner quote needs none"},
    {"", "S", "k", "", "[S]\nk=\n", "empty value"},
    {"[S]\nk=\"x\"\n", "S", "k", "x", "[S]\nk=\"x\"\n", "quoted same value untouched"},
};

TEST_F(IniFile, WritesOnlyWhatChanges) {
  const std::string path = PathOf("t.ini");
  for (const TWriteCase& c : kWrites) {
    SCOPED_TRACE(c.What);
    Put(path, c.Before);
    TIniFile ini(path);
    ini.WriteString(c.Section, c.Key, c.Value);
    EXPECT_EQ(ini.ReadString(c.Section, c.Key, "DEF"), c.Value) << "before saving";
    ini.UpdateFile();
    EXPECT_EQ(Get(path), c.After);
    EXPECT_EQ(TIniFile(path).ReadString(c.Section, c.Key, "DEF"), c.Value) << "after saving";
  }
}

const std::vector<std::string> kNames = {"/home/李/计算 1.txt", "/tmp/a & b.txt", "/c.TXT"};

void WriteMru(TIniFile& ini, const std::vector<std::string>& names) {
  for (std::size_t n = 1; n <= 15; ++n)
    ini.WriteString("MRU List", std::to_string(n), n <= names.size() ? names[n - 1] : "");
}

TEST_F(IniFile, FifteenKeyListRoundTrips) {
  const std::string path = PathOf("calc.ini");
  TIniFile ini(path);
  EXPECT_FALSE(ini.Exists());
  WriteMru(ini, kNames);
  ini.UpdateFile();
  EXPECT_TRUE(ini.Exists());

  std::string expected = "[MRU List]\n";
  for (std::size_t n = 1; n <= 15; ++n)
    expected += std::to_string(n) + "=" + (n <= 3 ? kNames[n - 1] : "") + "\n";
  EXPECT_EQ(Get(path), expected);

  const TIniFile again(path);
  for (std::size_t n = 1; n <= 15; ++n)
    EXPECT_EQ(again.ReadString("MRU List", std::to_string(n), "DEF"), n <= 3 ? kNames[n - 1] : "")
        << n;
  EXPECT_EQ(again.ReadString("MRU List", "16", "DEF"), "DEF");
}

TEST_F(IniFile, ListWrittenIntoAUsersFileKeepsEveryOtherByte) {
  const std::string head =
      "; Tessary\r\n[Window]\r\nLeft=10\r\nTop = 20\r\n\r\n[mru list]\r\nShown=yes\r\n";
  const std::string tail = "\r\n; about fonts\r\n[Fonts]\r\nName=黑体";
  const std::string path = PathOf("calc.ini");
  Put(path, head + "1=/old/a.txt\r\n2=/old/b.txt\r\n" + tail);

  TIniFile ini(path);
  WriteMru(ini, {"/new/x.txt", "/old/a.txt"});
  ini.UpdateFile();
  std::string keys = "1=/new/x.txt\r\n2=/old/a.txt\r\n";
  for (int n = 3; n <= 15; ++n) keys += std::to_string(n) + "=\r\n";
  EXPECT_EQ(Get(path), head + keys + tail);

  // The same list again changes nothing, so nothing is written: the file
  // removed behind its back stays removed.
  TIniFile same(path);
  WriteMru(same, {"/new/x.txt", "/old/a.txt"});
  fs::remove(path);
  same.UpdateFile();
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(IniFile, MissingFileAndFoldersAreCreatedOnlyWhenWritten) {
  const std::string path = PathOf("cfg/tessary/calc.ini");
  {
    TIniFile ini(path);
    EXPECT_FALSE(ini.Exists());
    EXPECT_EQ(ini.ReadString("MRU List", "1", "DEF"), "DEF");
    ini.UpdateFile();
  }
  EXPECT_TRUE(Names().empty()) << "nothing written, nothing created";

  TIniFile ini(path);
  ini.WriteString("MRU List", "1", "/a.txt");
  ini.UpdateFile();
  EXPECT_EQ(Get(path), "[MRU List]\n1=/a.txt\n");
  EXPECT_EQ(fs::status(PathOf("cfg/tessary")).permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_EQ(Names(), std::set<std::string>{"cfg"});
}

// What is no ini file, or too big to be one, reads as empty and stays as it is.
TEST_F(IniFile, UnreadableFileIsNeverWrittenOver) {
  const std::string path = PathOf("calc.ini");
  const std::string big = "[MRU List]\n1=/a.txt\n" + std::string(1 << 20, ';');
  const struct {
    const char* What;
    std::function<void()> Make;
    fs::file_type Type;
  } cases[] = {
      {"folder", [&] { fs::create_directory(path); }, fs::file_type::directory},  // even to root
      {"FIFO", [&] { ASSERT_EQ(mkfifo(path.c_str(), 0644), 0); }, fs::file_type::fifo},
      {"over 1 MiB", [&] { Put(path, big); }, fs::file_type::regular},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    fs::remove_all(path);
    c.Make();
    alarm(10);  // a FIFO opened the blocking way would never answer
    TIniFile ini(path);
    alarm(0);
    EXPECT_TRUE(ini.Exists());
    EXPECT_EQ(ini.ReadString("MRU List", "1", "DEF"), "DEF");
    ini.WriteString("MRU List", "1", "/b.txt");
    EXPECT_THROW(ini.UpdateFile(), EFileError);
    EXPECT_EQ(fs::status(path).type(), c.Type);
    if (c.Type == fs::file_type::regular) {
      EXPECT_EQ(Get(path), big);
    }
  }
}

TEST_F(IniFile, FileWeMayNotReadIsNotReplaced) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  const std::string path = PathOf("calc.ini");
  Put(path, "[Window]\nLeft=10\n");
  ASSERT_EQ(chmod(path.c_str(), 0200), 0);
  TIniFile ini(path);
  ini.WriteString("MRU List", "1", "/a.txt");
  EXPECT_THROW(ini.UpdateFile(), EFileError);
  chmod(path.c_str(), 0600);
  EXPECT_EQ(Get(path), "[Window]\nLeft=10\n");
}

// Settings are written only into a file of the user's own, checked when
// writing and not only when the path was chosen: never through a link (to
// whatever file it names), never into another user's file (who could read
// the list or choose its entries), and a new file is for the user's eyes only.
TEST_F(IniFile, WritesOnlyAFileOfTheUsersOwn) {
  const mode_t oldMask = umask(022);
  const std::string path = PathOf("tessary.ini");
  const std::string victim = PathOf("profile");
  const std::string planted = "[MRU List]\n1=/srv/chosen.vle\n";
  const struct {
    const char* What;
    std::function<void()> Make;
    bool NeedsRoot;
    const char* Says;  // why the save is refused; nullptr: it is written
    unsigned Mode;     // of a written file
  } cases[] = {
      {"a link to a file of ours", [&] { ASSERT_EQ(symlink(victim.c_str(), path.c_str()), 0); },
       false, "符号链接", 0},
      {"another user's file that anyone may write",
       [&] {
         Put(path, planted);
         ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
         ASSERT_EQ(chmod(path.c_str(), 0666), 0);
       },
       true, "属于另一个用户", 0},
      {"no file yet", [] {}, false, nullptr, 0600},
      {"a file of ours keeps its mode",
       [&] {
         Put(path, planted);
         ASSERT_EQ(chmod(path.c_str(), 0640), 0);
       },
       false, nullptr, 0640},
  };
  bool skipped = false;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    if (c.NeedsRoot && geteuid() != 0) {
      skipped = true;  // only root can give a file away
      continue;
    }
    fs::remove(path);
    Put(victim, "export PATH\n");
    c.Make();
    const bool wasLink = fs::is_symlink(path);
    const std::string before = wasLink ? std::string() : Get(path);
    TIniFile ini(path);
    ini.WriteString("MRU List", "1", "/home/li/工资.vle");
    if (c.Says == nullptr) {
      EXPECT_NO_THROW(ini.UpdateFile());
      EXPECT_EQ(Get(path), "[MRU List]\n1=/home/li/工资.vle\n");
      struct stat st {};
      ASSERT_EQ(lstat(path.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, c.Mode);
    } else {
      try {
        ini.UpdateFile();
        ADD_FAILURE() << "written";
      } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find(c.Says), std::string::npos) << e.what();
      }
      EXPECT_EQ(fs::is_symlink(path), wasLink);
      if (!wasLink) {
        EXPECT_EQ(Get(path), before);
      }
    }
    EXPECT_EQ(Get(victim), "export PATH\n");
  }
  umask(oldMask);
  if (skipped) GTEST_SKIP() << "another user's file needs root";
}

TEST_F(IniFile, HugeLinesReadAndSurvive) {
  const std::string path = PathOf("calc.ini");
  const std::string huge(400 << 10, 'x');  // two of them stay under the 1 MiB limit
  const std::string before = huge + "\n[S]\nbig=" + huge + "\nk=1\n";
  Put(path, before);
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadString("S", "big", ""), huge);
  ini.WriteString("S", "k", "2");
  ini.UpdateFile();
  EXPECT_EQ(Get(path), huge + "\n[S]\nbig=" + huge + "\nk=2\n");
}

TEST_F(IniFile, RefusesWhatTheFormatCannotHold) {
  const struct {
    const char* Section;
    const char* Key;
    const char* Value;
  } cases[] = {
      {"S", "k", "a\nb"}, {"S", "k", "a\rb"}, {"S\n", "k", "v"}, {"S", "k\n", "v"}, {"S", "", "v"},
      {"S", "  ", "v"},   {"S", "a=b", "v"},  {"S", ";k", "v"},  {"S", "[k", "v"},
  };
  const std::string path = PathOf("calc.ini");
  Put(path, "[S]\nk=1\n");
  TIniFile ini(path);
  for (const auto& c : cases)
    EXPECT_THROW(ini.WriteString(c.Section, c.Key, c.Value), std::invalid_argument)
        << c.Section << "/" << c.Key << "/" << c.Value;
  ini.UpdateFile();
  EXPECT_EQ(Get(path), "[S]\nk=1\n");
}

}  // namespace
