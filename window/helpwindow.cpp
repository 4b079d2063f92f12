// SPDX-License-Identifier: MIT
#include "helpwindow.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "trustedfile.h"

namespace tessary {

namespace {

// The manual is some 40 KiB; a file far bigger is no manual of ours.
constexpr qint64 kMaxManualBytes = 4 * 1024 * 1024;

// The manual's pictures are the tool bar's ("../window/icons/05-calculate.svg"
// in the source tree), which the program has built in by their number; an
// installed program has no source tree. Nothing else is loaded: no file and
// no link the text might name.
class TManualBrowser final : public QTextBrowser {
 public:
  using QTextBrowser::QTextBrowser;

 protected:
  QVariant loadResource(int type, const QUrl& name) override {
    static const QRegularExpression picture(QStringLiteral("^(\\d+)-[a-z]+\\.svg$"));
    const QRegularExpressionMatch match = picture.match(QFileInfo(name.path()).fileName());
    if (type != QTextDocument::ImageResource || !match.hasMatch()) return {};
    QFile file(QStringLiteral(":/icons/%1.svg").arg(match.captured(1).toInt()));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
  }
};

}  // namespace

THelpWindow::THelpWindow(QWidget* owner, const QString& html)
    : QDialog(owner), FBrowser(new TManualBrowser(this)) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Tessary公式计算器 说明书"));
  setAttribute(Qt::WA_DeleteOnClose);
  FBrowser->setOpenLinks(false);
  FBrowser->setHtml(html);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FBrowser);
  // Small enough for a 1280 x 720 screen at 150 %.
  resize(720, 520);
}

std::optional<QString> THelpWindow::ReadManual(const QString& prefix, const QString& path,
                                               QString& why) {
  std::string reason;
  const int fd = platform::OpenTrustedFile(prefix.toStdString(), path.toStdString(), reason);
  why = QString::fromStdString(reason);
  if (fd < 0) return std::nullopt;
  QFile file;
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    why = QStringLiteral("“%1”：%2").arg(path, file.errorString());
    return std::nullopt;
  }
  const QByteArray bytes = file.read(kMaxManualBytes + 1);
  if (bytes.size() > kMaxManualBytes) {
    why = QStringLiteral("“%1”大于 4 MiB").arg(path);
    return std::nullopt;
  }
  return QString::fromUtf8(bytes);
}

}  // namespace tessary
