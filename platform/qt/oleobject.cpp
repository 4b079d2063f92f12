// SPDX-License-Identifier: MIT
// Creating request objects by class name: the HTTP module is loaded the
// first time one is asked for, and stays until the process ends.

#include <dlfcn.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>

#include <mutex>
#include <optional>
#include <string>

#include "trustedfile.h"
#include "xmlhttp.h"
#include "xmlhttpmodule.h"

namespace tessary::platform {

namespace {

struct TXmlHttpModule {
  TNewXmlHttpRequest NewRequest = nullptr;
  TSetXmlHttpTimeout SetTimeout = nullptr;
  std::string Error;  // why it could not be loaded; empty when it was
};

TXmlHttpModule Load() {
  TXmlHttpModule m;
  const QString bin = QCoreApplication::applicationDirPath();
  const std::string path =
      QDir::cleanPath(bin + QString::fromLatin1(kXmlHttpModulePath)).toStdString();
  // Only from where no other user can have put or replaced it, and through
  // the very file that was checked.
  const std::string prefix = QDir::cleanPath(bin + QStringLiteral("/..")).toStdString();
  const int fd = OpenTrustedFile(prefix, path, m.Error);
  if (fd < 0) return m;
  void* handle = dlopen(("/proc/self/fd/" + std::to_string(fd)).c_str(), RTLD_NOW | RTLD_LOCAL);
  close(fd);
  if (handle == nullptr) {
    const char* why = dlerror();
    m.Error = why != nullptr ? why : path;
    return m;
  }
  m.NewRequest = reinterpret_cast<TNewXmlHttpRequest>(dlsym(handle, kNewXmlHttpRequest));
  m.SetTimeout = reinterpret_cast<TSetXmlHttpTimeout>(dlsym(handle, kSetXmlHttpTimeout));
  if (m.NewRequest == nullptr || m.SetTimeout == nullptr) {
    m.NewRequest = nullptr;
    m.SetTimeout = nullptr;
    m.Error = path + ": 缺少入口";
  }
  return m;
}

// Loaded by whichever thread asks first, and never unloaded; a module that
// cannot be loaded is not tried again.
std::mutex gMutex;
std::optional<TXmlHttpModule> gModule;                   // under gMutex
int gTimeoutMs = IXmlHttpRequest::kInactivityTimeoutMs;  // under gMutex

}  // namespace

TComPtr<IXmlHttpRequest> CreateOleObject(const QString& className) {
  if (className.trimmed().compare(QLatin1String("MSXML2.XMLHttp"), Qt::CaseInsensitive) != 0)
    throw EOleError(("无法创建对象“" + className + "”：未知的类名").toStdString());
  if (QCoreApplication::instance() == nullptr) throw EOleError("HTTP 请求需要应用程序对象");
  const std::lock_guard lock(gMutex);
  if (!gModule) {
    gModule = Load();
    if (gModule->SetTimeout != nullptr) gModule->SetTimeout(gTimeoutMs);
  }
  if (gModule->NewRequest == nullptr)
    throw EOleError(("无法创建对象“" + className + "”：无法载入网络模块（").toStdString() +
                    gModule->Error + "）");
  return TComPtr<IXmlHttpRequest>(gModule->NewRequest());
}

void SetXmlHttpInactivityTimeout(int milliseconds) {
  const std::lock_guard lock(gMutex);
  gTimeoutMs = milliseconds > 0 ? milliseconds : IXmlHttpRequest::kInactivityTimeoutMs;
  if (gModule && gModule->SetTimeout != nullptr) gModule->SetTimeout(gTimeoutMs);
}

}  // namespace tessary::platform
