// SPDX-License-Identifier: MIT
// Typesets the user manual (HTML) into the PDF that the Help menu opens,
// and writes the HTML the program shows itself where no program opens PDF
// files. Run by the build: makemanual <manual.html> <Manual.pdf> [<out.html>]

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUrl>

#include <cstdio>

namespace {

// The first installed face that covers Chinese; the PDF embeds it.
QString ChineseFamily() {
  const QStringList installed = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
  for (const char* family :
       {"WenQuanYi Zen Hei", "AR PL UMing CN", "Noto Sans CJK SC", "Noto Serif CJK SC"}) {
    if (installed.contains(QString::fromLatin1(family))) return QString::fromLatin1(family);
  }
  return QString();
}

class TManualDocument : public QTextDocument {
 public:
  using QTextDocument::QTextDocument;

 protected:
  // Pictures are drawn a few points wide but printed at 1200 dpi: an SVG
  // read at its own 24 px would come out blurred, so read it larger.
  QVariant loadResource(int type, const QUrl& name) override {
    const QUrl url = baseUrl().resolved(name);
    if (type != QTextDocument::ImageResource || !url.isLocalFile())
      return QTextDocument::loadResource(type, name);
    QImageReader reader(url.toLocalFile());
    if (url.path().endsWith(QLatin1String(".svg"))) reader.setScaledSize(QSize(128, 128));
    QImage image = reader.read();
    if (image.isNull()) {
      // Without the SVG image plugin: leave the cell empty rather than
      // showing a broken-picture mark.
      std::fprintf(stderr, "makemanual: cannot read picture %s: %s\n",
                   qPrintable(url.toLocalFile()), qPrintable(reader.errorString()));
      image = QImage(1, 1, QImage::Format_ARGB32);
      image.fill(Qt::transparent);
    }
    return image;
  }
};

// HTML turns a line break into a blank. Chinese has no blanks between its
// characters nor around its punctuation, so such breaks are dropped (tags
// in between do not count); next to Latin text and code the blank stays.
// <pre> blocks are left alone.
QString JoinChineseLines(const QString& html) {
  static const QRegularExpression pre(QStringLiteral("<pre>.*?</pre>"),
                                      QRegularExpression::DotMatchesEverythingOption);
  const QString han = QStringLiteral("\\p{Han}\\x{3000}-\\x{303F}\\x{FF00}-\\x{FFEF}");
  const QString punctuation = QStringLiteral("\\x{3000}-\\x{303F}\\x{FF00}-\\x{FFEF}");
  const QString tags = QStringLiteral("((?:</?[a-z][^>]*>)*)");
  const QString lineBreak = QStringLiteral("[ \\t]*\\n\\s*");
  const QRegularExpression betweenChinese(
      QStringLiteral("([%1])%2%3%2(?=[%1])").arg(han, tags, lineBreak));
  const QRegularExpression afterPunctuation(
      QStringLiteral("([%1])%2%3").arg(punctuation, tags, lineBreak));
  const QRegularExpression beforePunctuation(
      QStringLiteral("%1%2(?=[%3])").arg(lineBreak, tags, punctuation));

  QString result;
  qsizetype done = 0;
  auto join = [&](qsizetype end) {
    QString text = html.mid(done, end - done);
    text.replace(betweenChinese, QStringLiteral("\\1\\2\\3"));
    text.replace(afterPunctuation, QStringLiteral("\\1\\2"));
    text.replace(beforePunctuation, QStringLiteral("\\1"));
    result += text;
  };
  for (auto it = pre.globalMatch(html); it.hasNext();) {
    const QRegularExpressionMatch match = it.next();
    join(match.capturedStart());
    result += match.captured();
    done = match.capturedEnd();
  }
  join(html.size());
  return result;
}

// The joined text for the help window, which would show those line breaks
// as blanks too.
int WriteHtml(const QString& html, const QString& output) {
  QFile file(output);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(html.toUtf8()) < 0 ||
      !file.flush()) {
    std::fprintf(stderr, "makemanual: cannot write %s: %s\n", qPrintable(output),
                 qPrintable(file.errorString()));
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: makemanual MANUAL.html OUTPUT.pdf [OUTPUT.html]\n");
    return 2;
  }
  const QString input = QString::fromLocal8Bit(argv[1]);
  const QString output = QString::fromLocal8Bit(argv[2]);

  QFile file(input);
  if (!file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "makemanual: cannot open %s: %s\n", argv[1],
                 qPrintable(file.errorString()));
    return 1;
  }
  const QString html = JoinChineseLines(QString::fromUtf8(file.readAll()));

  TManualDocument doc;
  QFont font;
  const QString family = ChineseFamily();
  if (family.isEmpty()) {
    std::fprintf(stderr, "makemanual: no Chinese font installed; Chinese text will be missing\n");
  } else {
    font.setFamilies({QStringLiteral("DejaVu Sans"), family});
  }
  font.setPointSizeF(10.5);
  doc.setDefaultFont(font);
  // Relative picture paths are taken from the manual's own folder.
  doc.setBaseUrl(QUrl::fromLocalFile(QFileInfo(input).absolutePath() + QLatin1Char('/')));
  doc.setHtml(html);

  QPdfWriter writer(output);
  writer.setTitle(doc.metaInformation(QTextDocument::DocumentTitle));
  writer.setCreator(QStringLiteral("Tessary公式计算器"));
  writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                   QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
  writer.setResolution(1200);
  // Not paginated beforehand, so print() lays the pages out with 2 cm
  // margins and numbers them.
  doc.print(&writer);

  if (QFileInfo(output).size() == 0) {
    std::fprintf(stderr, "makemanual: nothing written to %s\n", argv[2]);
    return 1;
  }
  return argc == 4 ? WriteHtml(html, QString::fromLocal8Bit(argv[3])) : 0;
}
