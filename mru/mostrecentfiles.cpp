// SPDX-License-Identifier: MIT
#include "mostrecentfiles.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>

#include <string>

#include "apppaths.h"
#include "inifile.h"
#include "messageservice.h"
#include "userregistry.h"

namespace tessary {

namespace {

constexpr const char* kTagProperty = "Tag";

std::string Utf8(const QString& s) { return s.toStdString(); }
QString FromUtf8(const std::string& s) { return QString::fromStdString(s); }

// A caption of "-" shows as a separator line, as does a separator action.
bool IsSeparatorItem(const QAction* action) {
  return action->isSeparator() || action->text() == QLatin1String("-");
}

// The extension of a file name: from the last "." after the last "/".
QString ExtensionOf(const QString& fileName) {
  const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
  const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
  return dot > slash ? fileName.mid(dot) : QString();
}

QString RegistryValueName(unsigned position) {
  return QStringLiteral("MRU") + QString::number(position);
}

}  // namespace

TMostRecentFiles::TMostRecentFiles(QObject* owner) : QObject(owner) {}

TMostRecentFiles::~TMostRecentFiles() {
  if (FDesignMode) return;
  try {
    SaveToStore();
  } catch (...) {
    // A list that cannot be saved must not disturb the shutdown.
  }
}

// ---------------------------------------------------------------- properties

void TMostRecentFiles::SetMaxFiles(unsigned value) {
  if (value == FMaxFiles) return;
  FMaxFiles = value == 0 ? 1 : (value > kMaxMaxFiles ? kMaxMaxFiles : value);
  RebuildMenu();  // also while loading: without a menu it does nothing
}

void TMostRecentFiles::SetShowFullPath(bool value) {
  if (value == FShowFullPath) return;
  FShowFullPath = value;
  RebuildMenu();
}

void TMostRecentFiles::SetOwnerMenuItem(QMenu* menu) {
  FOwnerMenuItem = menu;  // cleared by QPointer when the menu goes away
  if (!FLoading) RebuildMenu();
}

void TMostRecentFiles::SetIniFile(const QString& value) {
  FIniFile = value;
  if (!FLoading && !FDesignMode && FRegPath.isEmpty()) LoadFromIni();
}

void TMostRecentFiles::SetRegPath(const QString& value) {
  FRegPath = value;
  if (!FLoading && !FDesignMode) LoadFromStore();
}

void TMostRecentFiles::Loaded() {
  FLoading = false;
  if (!FDesignMode) LoadFromStore();
}

// ---------------------------------------------------------------- the list

bool TMostRecentFiles::PassesExtensionFilter(const QString& fileName) const {
  const QString filter = FFileExt.trimmed();
  if (filter.isEmpty() || filter == QLatin1String("*.*")) return true;
  QString wanted = filter.toUpper();
  if (!wanted.contains(QLatin1Char('.'))) wanted.prepend(QLatin1Char('.'));
  return ExtensionOf(fileName).toUpper() == wanted;
}

void TMostRecentFiles::AddFile(const QString& fileName) {
  if (!PassesExtensionFilter(fileName) || !FOwnerMenuItem) return;
  // A line break cannot be stored in the ini file, and one such entry would
  // cost the whole list its save.
  if (fileName.contains(QLatin1Char('\n')) || fileName.contains(QLatin1Char('\r'))) return;
  // Exact match: on Linux Case.txt and case.txt are two files.
  const qsizetype found = FFiles.indexOf(fileName);
  if (found == 0) return;
  if (found > 0) FFiles.removeAt(found);
  FFiles.prepend(fileName);
  while (static_cast<unsigned>(FFiles.size()) > FMaxFiles) FFiles.removeAt(FMaxFiles);
  RebuildMenu();
}

// ---------------------------------------------------------------- the menu

bool TMostRecentFiles::IsMarked(const QAction* action) const {
  return action->property(kTagProperty).toInt() == kItemMarker;
}

QAction* TMostRecentFiles::NewMarkedItem(const QString& caption, bool separator) {
  auto* item = new QAction(caption, FOwnerMenuItem);
  item->setProperty(kTagProperty, kItemMarker);
  item->setSeparator(separator);
  if (!separator) connect(item, &QAction::triggered, this, &TMostRecentFiles::MenuItemClick);
  return item;
}

QString TMostRecentFiles::DisplayName(const QString& fileName) const {
  QString name =
      FShowFullPath ? fileName : fileName.mid(fileName.lastIndexOf(QLatin1Char('/')) + 1);
  return name.replace(QLatin1Char('&'), QLatin1String("&&"));  // no accelerator of its own
}

void TMostRecentFiles::RebuildMenu() {
  if (FDesignMode || !FOwnerMenuItem) return;
  QMenu* menu = FOwnerMenuItem;
  const QList<QAction*> old = menu->actions();
  for (qsizetype i = old.size() - 1; i >= 0; --i) {
    if (!IsMarked(old[i])) continue;
    menu->removeAction(old[i]);
    old[i]->deleteLater();  // may be the item being clicked right now
  }
  if (FFiles.isEmpty()) return;

  auto insertAt = [menu](qsizetype p, QAction* item) {
    const QList<QAction*> items = menu->actions();
    menu->insertAction(p < items.size() ? items[p] : nullptr, item);
  };
  const qsizetype count = menu->actions().size();
  qsizetype p = FMenuPosition < count ? static_cast<qsizetype>(FMenuPosition) : count;
  if (p > 0 && !IsSeparatorItem(menu->actions()[p - 1])) {
    insertAt(p, NewMarkedItem(QString(), true));
    ++p;
  }
  for (qsizetype i = 0; i < FFiles.size(); ++i) {
    const QString caption =
        QStringLiteral("&%1  %2").arg(QString::number(i + 1, 16).toUpper(), DisplayName(FFiles[i]));
    insertAt(p, NewMarkedItem(caption, false));
    ++p;
  }
  const QList<QAction*> now = menu->actions();
  if (p < now.size() && !IsSeparatorItem(now[p])) insertAt(p, NewMarkedItem(QString(), true));
}

void TMostRecentFiles::MenuItemClick() {
  auto* item = qobject_cast<QAction*>(sender());
  if (item == nullptr || !OnMenuClick) return;
  QMenu* parent = nullptr;
  for (QObject* o : item->associatedObjects())
    if ((parent = qobject_cast<QMenu*>(o)) != nullptr) break;
  if (parent == nullptr) return;

  const QList<QAction*> items = parent->actions();
  const qsizetype k = items.indexOf(item);
  qsizetype f = -1;
  for (qsizetype i = 0; i < items.size() && f < 0; ++i)
    if (IsMarked(items[i])) f = i;
  if (f < 0) return;
  if (items[f]->isSeparator()) ++f;
  const qsizetype entry = k - f;
  if (k < 0 || entry < 0 || entry >= FFiles.size()) return;

  const QString name = FFiles[entry];
  if (QFileInfo::exists(name)) {
    // The handler moves the entry up (AddFile) once the file really opened:
    // a cancelled question or a failed open leaves the list as it was.
    OnMenuClick(item, name);
    return;
  }
  ReportMissing(item, name);
  const qsizetype at = FFiles.indexOf(name);
  if (at >= 0) FFiles.removeAt(at);
  RebuildMenu();
}

void TMostRecentFiles::ReportMissing(QObject* sender, const QString& name) {
  if (OnFileNotExist) {
    OnFileNotExist(sender, name);
    return;
  }
  platform::IMessageService& boxes = FMessages ? *FMessages : platform::SystemMessageService();
  boxes.ShowMessageBox(qobject_cast<QWidget*>(parent()), QGuiApplication::applicationDisplayName(),
                       QStringLiteral("文件\n“%1”\n已不存在。").arg(name),
                       platform::TMessageIcon::Information, platform::TMessageButtons::Ok);
}

// ---------------------------------------------------------------- stores

QString TMostRecentFiles::ResolvedIniPath() const {
  if (FIniFile.contains(QLatin1Char('/'))) return FIniFile;
  return FromUtf8(platform::ProgramIniPath(Utf8(FIniFile)));
}

void TMostRecentFiles::LoadFromStore() {
  if (FRegPath.isEmpty())
    LoadFromIni();
  else
    LoadFromRegistry();
}

void TMostRecentFiles::SaveToStore() const {
  if (FRegPath.isEmpty())
    SaveToIni();
  else
    SaveToRegistry();
}

void TMostRecentFiles::LoadFromIni() {
  FFiles.clear();
  try {
    const platform::TIniFile ini(Utf8(ResolvedIniPath()));
    if (ini.Exists()) {
      for (unsigned i = 1; i <= FMaxFiles; ++i) {
        const std::string value = ini.ReadString(kSection, std::to_string(i), "");
        if (value.empty()) break;
        FFiles.append(FromUtf8(value));
      }
    }
  } catch (const std::exception&) {
    // An unreadable store is an empty list.
  }
  RebuildMenu();
}

void TMostRecentFiles::SaveToIni() const {
  platform::TIniFile ini(Utf8(ResolvedIniPath()));  // makes its folder when missing
  for (unsigned n = 1; n <= FMaxFiles; ++n)
    ini.WriteString(kSection, std::to_string(n),
                    n <= static_cast<unsigned>(FFiles.size()) ? Utf8(FFiles[n - 1]) : "");
  ini.UpdateFile();
}

void TMostRecentFiles::LoadFromRegistry() {
  FFiles.clear();
  try {
    platform::TUserRegistry registry(Utf8(FRegistryRoot));
    if (registry.OpenKey(Utf8(FRegPath), false)) {
      for (unsigned i = 1; i <= FMaxFiles; ++i) {
        const std::string name = Utf8(RegistryValueName(i));
        if (!registry.ValueExists(name)) break;
        const std::string value = registry.ReadString(name);
        if (value.empty()) break;
        FFiles.append(FromUtf8(value));
      }
      registry.CloseKey();
    }
  } catch (const std::exception&) {
    // An unreadable key is an empty list.
  }
  RebuildMenu();
}

void TMostRecentFiles::SaveToRegistry() const {
  platform::TUserRegistry registry(Utf8(FRegistryRoot));
  if (!registry.OpenKey(Utf8(FRegPath), true)) return;
  for (unsigned n = 1; n <= FMaxFiles; ++n)
    registry.WriteString(Utf8(RegistryValueName(n)),
                         n <= static_cast<unsigned>(FFiles.size()) ? Utf8(FFiles[n - 1]) : "");
  registry.CloseKey();
}

}  // namespace tessary
