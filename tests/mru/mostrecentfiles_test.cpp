// SPDX-License-Identifier: MIT
// The recent-files list on a real QMenu, run headless: the list rules, the
// menu it builds, the clicks, and its two stores.

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "inifile.h"
#include "messageservice.h"
#include "mostrecentfiles.h"
#include "testutil/tempfolder.h"
#include "userregistry.h"

namespace tessary {
namespace {

using platform::TMessageAnswer;

// Answers every box with OK and remembers what it was asked.
struct TRecordingBoxes : platform::IMessageService {
  struct TBox {
    QString Caption, Text;
    platform::TMessageIcon Icon;
  };
  std::vector<TBox> Boxes;
  TMessageAnswer ShowMessageBox(QWidget*, const QString& caption, const QString& text,
                                platform::TMessageIcon icon, platform::TMessageButtons) override {
    Boxes.push_back({caption, text, icon});
    return TMessageAnswer::Ok;
  }
};

class MostRecentFiles : public testing::TTempFolderTest {
 protected:
  void SetUp() override {
    TTempFolderTest::SetUp();
    // The window's File menu.
    for (const char* caption : {"新建", "打开", "保存", "另存为"}) FMenu.addAction(caption);
    FMenu.addSeparator();
    FMenu.addAction("退出");
  }

  // A list on the File menu, storing in this test's folder.
  std::unique_ptr<TMostRecentFiles> NewList(unsigned maxFiles = 15) {
    auto list = std::make_unique<TMostRecentFiles>();
    list->BeginLoading();
    list->SetMaxFiles(maxFiles);
    list->SetOwnerMenuItem(&FMenu);
    list->SetMenuPosition(4);
    list->SetFileExt(".txt");
    list->SetIniFile(QString::fromStdString(PathOf("tessary.ini")));
    list->SetRegistryRoot(QString::fromStdString(PathOf("registry")));
    list->SetMessageService(&FBoxes);
    list->Loaded();
    return list;
  }

  // The menu as text: captions, "-" for separators, "*" before marked items.
  // A separator's text follows its "-": styles draw it as a label.
  std::vector<std::string> Layout() const {
    std::vector<std::string> out;
    for (QAction* a : FMenu.actions()) {
      const bool marked = a->property("Tag").toInt() == TMostRecentFiles::kItemMarker;
      out.push_back((marked ? "*" : "") +
                    (a->isSeparator() ? "-" + a->text().toStdString() : a->text().toStdString()));
    }
    return out;
  }

  QAction* Entry(int index) const {
    int seen = -1;
    for (QAction* a : FMenu.actions())
      if (a->property("Tag").toInt() == TMostRecentFiles::kItemMarker && !a->isSeparator() &&
          ++seen == index)
        return a;
    return nullptr;
  }

  QString Existing(const std::string& name) {
    Put(PathOf(name), "x");
    return QString::fromStdString(PathOf(name));
  }

  QMenu FMenu;
  TRecordingBoxes FBoxes;
};

TEST_F(MostRecentFiles, StartsWithItsInitialValues) {
  TMostRecentFiles list;
  list.SetDesignMode(true);  // nothing to save at the end
  EXPECT_EQ(list.MaxFiles(), 9u);
  EXPECT_FALSE(list.ShowFullPath());
  EXPECT_EQ(list.OwnerMenuItem(), nullptr);
  EXPECT_EQ(list.MenuPosition(), 0u);
  EXPECT_TRUE(list.IniFile().isEmpty());
  EXPECT_TRUE(list.RegPath().isEmpty());
  EXPECT_TRUE(list.FileExt().isEmpty());
  EXPECT_TRUE(list.Files().isEmpty());
}

TEST_F(MostRecentFiles, MenuLayoutBetweenSaveAsAndExit) {
  auto list = NewList();
  list->AddFile("/w/b.txt");
  list->AddFile("/w/a.txt");
  EXPECT_EQ(Layout(), (std::vector<std::string>{"新建", "打开", "保存", "另存为", "*-",
                                                "*&1  a.txt", "*&2  b.txt", "-", "退出"}))
      << "a marked separator before, the menu's own after";
  list->SetShowFullPath(true);
  EXPECT_EQ(Layout()[5], "*&1  /w/a.txt");
  list->AddFile("/w/a & b.txt");
  EXPECT_EQ(Layout()[5], "*&1  /w/a && b.txt") << "'&' is shown, not taken as an accelerator";
}

TEST_F(MostRecentFiles, EntriesAtTheEndAndAtTheTop) {
  auto list = NewList();
  list->SetMenuPosition(99);
  list->AddFile("/w/a.txt");
  EXPECT_EQ(Layout(), (std::vector<std::string>{"新建", "打开", "保存", "另存为", "-", "退出", "*-",
                                                "*&1  a.txt"}));
  list->SetMenuPosition(0);
  list->RebuildMenu();
  EXPECT_EQ(Layout(), (std::vector<std::string>{"*&1  a.txt", "*-", "新建", "打开", "保存",
                                                "另存为", "-", "退出"}))
      << "at the top: no separator before, one after";
}

TEST_F(MostRecentFiles, RebuildRemovesOnlyMarkedItems) {
  auto list = NewList();
  list->AddFile("/w/a.txt");
  FMenu.insertAction(Entry(0), new QAction("mine", &FMenu));  // an unmarked item among the entries
  list->AddFile("/w/b.txt");
  const auto layout = Layout();
  EXPECT_NE(std::find(layout.begin(), layout.end(), "mine"), layout.end());
  EXPECT_EQ(std::count(layout.begin(), layout.end(), "*&1  b.txt"), 1);
  EXPECT_EQ(std::count(layout.begin(), layout.end(), "*&1  a.txt"), 0) << "old entries are gone";
}

TEST_F(MostRecentFiles, AcceleratorsAreHexadecimal) {
  auto list = NewList();
  for (int i = 15; i >= 1; --i) list->AddFile(QStringLiteral("/w/f%1.txt").arg(i));
  EXPECT_EQ(Entry(8)->text(), "&9  f9.txt");
  EXPECT_EQ(Entry(9)->text(), "&A  f10.txt");
  EXPECT_EQ(Entry(14)->text(), "&F  f15.txt");
}

// Names match exactly, as the file system tells files apart: Case.txt and
// case.txt are two files.
TEST_F(MostRecentFiles, AddFileMovesDropsAndMatchesCase) {
  auto list = NewList(3);
  list->AddFile("/w/a.txt");
  list->AddFile("/w/b.txt");
  list->AddFile("/w/c.txt");
  EXPECT_EQ(list->Files(), (QStringList{"/w/c.txt", "/w/b.txt", "/w/a.txt"}));
  list->AddFile("/w/c.txt");
  EXPECT_EQ(list->Files(), (QStringList{"/w/c.txt", "/w/b.txt", "/w/a.txt"})) << "already first";
  list->AddFile("/w/b.txt");
  EXPECT_EQ(list->Files(), (QStringList{"/w/b.txt", "/w/c.txt", "/w/a.txt"}))
      << "found further down: moved to the front";
  list->AddFile("/w/C.txt");
  EXPECT_EQ(list->Files(), (QStringList{"/w/C.txt", "/w/b.txt", "/w/c.txt"}))
      << "another letter case is another file; the oldest drops";
  list->AddFile("/w/d.txt");
  EXPECT_EQ(list->Files(), (QStringList{"/w/d.txt", "/w/C.txt", "/w/b.txt"}));
  list->AddFile("/w/two\nlines.txt");
  EXPECT_EQ(list->Files().size(), 3) << "a name with a line break cannot be stored";
}

TEST_F(MostRecentFiles, ExtensionFilter) {
  struct TCase {
    const char* Ext;
    const char* File;
    bool Recorded;
  } cases[] = {
      {".txt", "/w/a.txt", true}, {".txt", "/w/a.TXT", true},  {".txt", "/w/a.vle", false},
      {"txt", "/w/a.txt", true},  {"txt", "/w/a.vle", false},  {"*.*", "/w/a.vle", true},
      {"", "/w/noext", true},     {".txt", "/w.txt/a", false}, {" .txt ", "/w/a.txt", true},
  };
  for (const auto& c : cases) {
    auto list = NewList();
    list->SetDesignMode(true);  // keep this folder's ini out of it
    list->SetDesignMode(false);
    list->SetFileExt(c.Ext);
    list->AddFile(c.File);
    EXPECT_EQ(list->Files().size(), c.Recorded ? 1 : 0) << c.Ext << " " << c.File;
    list->SetDesignMode(true);
  }
  TMostRecentFiles noMenu;
  noMenu.SetDesignMode(true);
  noMenu.AddFile("/w/a.txt");
  EXPECT_TRUE(noMenu.Files().isEmpty()) << "nothing is recorded without a menu";
}

TEST_F(MostRecentFiles, MaxFilesIsClampedAndTrimmedLater) {
  auto list = NewList(5);
  list->SetMaxFiles(0);
  EXPECT_EQ(list->MaxFiles(), 1u);
  list->SetMaxFiles(20);
  EXPECT_EQ(list->MaxFiles(), 15u);
  list->SetMaxFiles(5);
  for (const char* f : {"/w/1.txt", "/w/2.txt", "/w/3.txt", "/w/4.txt", "/w/5.txt"})
    list->AddFile(f);
  list->SetMaxFiles(3);
  EXPECT_EQ(list->Files().size(), 5) << "not trimmed by the setter";
  EXPECT_NE(Entry(4), nullptr) << "five entries still shown";
  list->SaveToIni();
  const platform::TIniFile ini(PathOf("tessary.ini"));
  EXPECT_EQ(ini.ReadString("MRU List", "3", "?"), "/w/3.txt");
  EXPECT_EQ(ini.ReadString("MRU List", "4", "?"), "?") << "saving writes MaxFiles keys";
  list->AddFile("/w/6.txt");
  EXPECT_EQ(list->Files().size(), 3) << "the next AddFile trims";
}

TEST_F(MostRecentFiles, IniStoreRoundTrip) {
  {
    auto list = NewList(15);
    list->AddFile("/w/c.txt");
    list->AddFile("/w/中文 b.txt");
    list->AddFile("/w/a&b.txt");
  }  // saved at destruction
  const platform::TIniFile ini(PathOf("tessary.ini"));
  EXPECT_EQ(ini.ReadString("MRU List", "1", "?"), "/w/a&b.txt");
  EXPECT_EQ(ini.ReadString("MRU List", "3", "?"), "/w/c.txt");
  for (int key = 4; key <= 15; ++key)
    EXPECT_EQ(ini.ReadString("MRU List", std::to_string(key), "?"), "") << "key " << key;
  EXPECT_EQ(ini.ReadString("MRU List", "16", "?"), "?");

  auto again = NewList(15);
  EXPECT_EQ(again->Files(), (QStringList{"/w/a&b.txt", "/w/中文 b.txt", "/w/c.txt"}));
  EXPECT_EQ(Entry(0)->text(), "&1  a&&b.txt");
}

TEST_F(MostRecentFiles, LoadingStopsAtTheFirstEmptyKey) {
  Put(PathOf("tessary.ini"), "[MRU List]\n1=/w/a.txt\n2=\n3=/w/c.txt\n");
  auto list = NewList();
  EXPECT_EQ(list->Files(), QStringList{"/w/a.txt"});
}

TEST_F(MostRecentFiles, SavingKeepsTheRestOfTheIniFile) {
  const std::string before =
      "; settings\r\n[Window]\r\nLeft=10\r\n\r\n[mru list]\r\nextra=keep\r\n1=/old.txt\r\n";
  Put(PathOf("tessary.ini"), before);
  {
    auto list = NewList(2);
    EXPECT_EQ(list->Files(), QStringList{"/old.txt"}) << "section names ignore case";
    list->AddFile("/w/new.txt");
  }
  const std::string after = Get(PathOf("tessary.ini"));
  for (const char* kept : {"; settings\r\n", "[Window]\r\nLeft=10\r\n", "extra=keep\r\n"})
    EXPECT_NE(after.find(kept), std::string::npos) << kept;
  const platform::TIniFile ini(PathOf("tessary.ini"));
  EXPECT_EQ(ini.ReadString("MRU List", "1", "?"), "/w/new.txt");
  EXPECT_EQ(ini.ReadString("MRU List", "2", "?"), "/old.txt");
}

TEST_F(MostRecentFiles, BadIniFilesNeverFailTheLoad) {
  const std::string files[] = {"", std::string("\0\xFF\xFE[MRU List\n1", 15),
                               "[MRU List]\nno equals\n1=/a.txt\n1=/b.txt\n", "[Other]\n1=/x.txt\n",
                               "[MRU List]\r\n1=/gone/a.txt\r\n"};
  for (const auto& content : files) {
    Put(PathOf("tessary.ini"), content);
    auto list = NewList();
    EXPECT_LE(list->Files().size(), 1);
    list->SetDesignMode(true);  // leave the file as it is
  }
  Put(PathOf("tessary.ini"), "[MRU List]\nno equals\n1=/a.txt\n1=/b.txt\n");
  auto list = NewList();
  EXPECT_EQ(list->Files(), QStringList{"/a.txt"}) << "the first of duplicate keys";
}

TEST_F(MostRecentFiles, DeferredLoadAndDesignMode) {
  Put(PathOf("tessary.ini"), "[MRU List]\n1=/w/a.txt\n");
  TMostRecentFiles list;
  list.BeginLoading();
  list.SetOwnerMenuItem(&FMenu);
  list.SetIniFile(QString::fromStdString(PathOf("tessary.ini")));
  EXPECT_TRUE(list.Files().isEmpty()) << "nothing is loaded while loading";
  list.Loaded();
  EXPECT_EQ(list.Files(), QStringList{"/w/a.txt"});
  EXPECT_NE(Entry(0), nullptr);

  TMostRecentFiles design;
  design.SetDesignMode(true);
  design.SetOwnerMenuItem(&FMenu);
  design.SetIniFile(QString::fromStdString(PathOf("other.ini")));
  design.Loaded();
  EXPECT_TRUE(design.Files().isEmpty());
  list.SetDesignMode(true);
}

TEST_F(MostRecentFiles, ClickingAnExistingEntry) {
  auto list = NewList();
  const QString a = Existing("a.txt"), b = Existing("b.txt");
  list->AddFile(b);
  list->AddFile(a);
  std::vector<QString> opened;
  list->OnMenuClick = [&](QObject*, const QString& name) { opened.push_back(name); };

  QAction* first = Entry(0);
  first->trigger();
  EXPECT_EQ(opened, std::vector<QString>{a});
  EXPECT_EQ(Entry(0), first) << "the first entry is not rebuilt";

  Entry(1)->trigger();
  EXPECT_EQ(opened.back(), b);
  EXPECT_EQ(list->Files(), (QStringList{a, b}))
      << "the click alone moves nothing: the handler adds what it really opened";
}

TEST_F(MostRecentFiles, ClickingAMissingEntry) {
  auto list = NewList();
  list->AddFile("/gone/b.txt");
  list->AddFile("/gone/a.txt");
  int opened = 0;
  Entry(1)->trigger();
  EXPECT_EQ(list->Files().size(), 2) << "without OnMenuClick a click does nothing at all";
  EXPECT_TRUE(FBoxes.Boxes.empty());

  list->OnMenuClick = [&](QObject*, const QString&) { ++opened; };
  Entry(1)->trigger();
  ASSERT_EQ(FBoxes.Boxes.size(), 1u) << "no OnFileNotExist: a message box";
  EXPECT_EQ(FBoxes.Boxes[0].Text, "文件\n“/gone/b.txt”\n已不存在。");
  EXPECT_EQ(FBoxes.Boxes[0].Caption, "Tessary公式计算器");
  EXPECT_EQ(FBoxes.Boxes[0].Icon, platform::TMessageIcon::Information);
  EXPECT_EQ(list->Files(), QStringList{"/gone/a.txt"}) << "and the entry is dropped";

  QString reported;
  list->OnFileNotExist = [&](QObject*, const QString& name) { reported = name; };
  Entry(0)->trigger();
  EXPECT_EQ(reported, "/gone/a.txt");
  EXPECT_TRUE(list->Files().isEmpty());
  EXPECT_EQ(opened, 0);
  EXPECT_EQ(FBoxes.Boxes.size(), 1u);
}

TEST_F(MostRecentFiles, RegistryStore) {
  {
    auto list = NewList(4);
    list->SetRegPath("Software\\Tessary\\Recent");  // loads from the (empty) key
    list->AddFile("/w/b.txt");
    list->AddFile("/w/a.txt");
  }
  platform::TUserRegistry registry(PathOf("registry"));
  ASSERT_TRUE(registry.OpenKey("Software\\Tessary\\Recent", false));
  EXPECT_EQ(registry.ReadString("MRU1"), "/w/a.txt");
  EXPECT_EQ(registry.ReadString("MRU2"), "/w/b.txt");
  EXPECT_TRUE(registry.ValueExists("MRU4"));
  EXPECT_EQ(registry.ReadString("MRU4"), "");
  EXPECT_FALSE(registry.ValueExists("MRU5"));
  registry.WriteString("MRU2", "");
  registry.WriteString("MRU3", "/w/c.txt");
  registry.CloseKey();

  auto again = NewList(4);
  again->SetRegPath("Software\\Tessary\\Recent");
  EXPECT_EQ(again->Files(), QStringList{"/w/a.txt"}) << "stops at the first empty value";
  again->SetRegPath("");
  EXPECT_TRUE(again->Files().isEmpty()) << "back to the (empty) ini store";
}

TEST_F(MostRecentFiles, AFailedSaveIsSwallowed) {
  auto list = std::make_unique<TMostRecentFiles>();
  list->SetOwnerMenuItem(&FMenu);
  list->SetIniFile("/dev/null/cannot/tessary.ini");
  list->AddFile("/w/a.txt");
  EXPECT_NO_THROW(list.reset());
}

TEST_F(MostRecentFiles, ForgetsAMenuThatIsDestroyed) {
  auto menu = std::make_unique<QMenu>();
  TMostRecentFiles list;
  list.SetDesignMode(true);
  list.SetOwnerMenuItem(menu.get());
  menu.reset();
  EXPECT_EQ(list.OwnerMenuItem(), nullptr);
}

}  // namespace
}  // namespace tessary
