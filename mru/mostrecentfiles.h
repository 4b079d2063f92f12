// SPDX-License-Identifier: MIT
#pragma once

// The recent-files list: remembers the most recently used files, shows them
// as numbered entries inside an existing menu, reports the entry the user
// picks, and keeps the list across runs in an ini file (or, when RegPath is
// set, in the per-user registry stand-in).

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class QAction;

namespace tessary {

namespace platform {
class IMessageService;
}

// Sender: the clicked menu item; Filename: its entry's file name.
using TMRUMenuEvent = std::function<void(QObject* sender, const QString& filename)>;

class TMostRecentFiles : public QObject {
  Q_OBJECT

 public:
  // Every menu item the list creates carries this tag; no other is removed.
  static constexpr int kItemMarker = 0x0BAD1DEA;
  static constexpr unsigned kMaxMaxFiles = 15;
  static constexpr const char* kSection = "MRU List";

  explicit TMostRecentFiles(QObject* owner = nullptr);
  ~TMostRecentFiles() override;  // saves the list to its store, ignoring failures

  unsigned MaxFiles() const { return FMaxFiles; }
  void SetMaxFiles(unsigned value);
  bool ShowFullPath() const { return FShowFullPath; }
  void SetShowFullPath(bool value);
  QMenu* OwnerMenuItem() const { return FOwnerMenuItem; }
  void SetOwnerMenuItem(QMenu* menu);
  unsigned MenuPosition() const { return FMenuPosition; }
  void SetMenuPosition(unsigned value) { FMenuPosition = value; }
  const QString& IniFile() const { return FIniFile; }
  void SetIniFile(const QString& value);
  const QString& RegPath() const { return FRegPath; }
  void SetRegPath(const QString& value);
  const QString& FileExt() const { return FFileExt; }
  void SetFileExt(const QString& value) { FFileExt = value; }
  TMRUMenuEvent OnMenuClick;
  TMRUMenuEvent OnFileNotExist;

  // States set by whoever builds the window: while loading, setters only
  // store (the list is read at Loaded); in design mode nothing is loaded,
  // shown or saved.
  void BeginLoading() { FLoading = true; }
  void Loaded();
  bool Loading() const { return FLoading; }
  void SetDesignMode(bool value) { FDesignMode = value; }

  // Where the message box of a missing file goes (the real boxes by default),
  // and where the registry stand-in keeps its keys (its default when empty).
  void SetMessageService(platform::IMessageService* service) { FMessages = service; }
  void SetRegistryRoot(const QString& root) { FRegistryRoot = root; }

  void AddFile(const QString& fileName);
  const QStringList& Files() const { return FFiles; }

  // The ini file the ini store reads and writes.
  QString ResolvedIniPath() const;

  void LoadFromIni();
  void LoadFromRegistry();
  void SaveToIni() const;
  void SaveToRegistry() const;
  void RebuildMenu();

 public slots:
  void MenuItemClick();

 private:
  void LoadFromStore();
  void SaveToStore() const;
  bool IsMarked(const QAction* action) const;
  QAction* NewMarkedItem(const QString& caption, bool separator);
  QString DisplayName(const QString& fileName) const;
  bool PassesExtensionFilter(const QString& fileName) const;
  void ReportMissing(QObject* sender, const QString& name);

  unsigned FMaxFiles = 9;
  bool FShowFullPath = false;
  QPointer<QMenu> FOwnerMenuItem;
  unsigned FMenuPosition = 0;
  QString FIniFile;
  QString FRegPath;
  QString FFileExt;
  QStringList FFiles;
  bool FLoading = false;
  bool FDesignMode = false;
  platform::IMessageService* FMessages = nullptr;
  QString FRegistryRoot;
};

}  // namespace tessary
