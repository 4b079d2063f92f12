// SPDX-License-Identifier: MIT
#include "boardtext.h"

#include <algorithm>
#include <string>

#include "textutil.h"

namespace tessary {

namespace {

// Blanks and control characters (codes 0 to 32) at both ends go; in UTF-8
// they are single bytes that no other character contains.
QString TrimControls(const QString& s) {
  const std::string utf8 = s.toStdString();
  return QString::fromStdString(std::string(Trim(utf8)));
}

// The first count characters, without leaving half a surrogate pair.
QString Prefix(const QString& s, qsizetype count) {
  if (s.size() <= count) return s;
  if (count > 0 && s[count - 1].isHighSurrogate()) --count;
  return s.left(count);
}

// The part of the page between the first "<Title" and the first "</body>".
QString UsefulPart(QString text) {
  text.remove(QStringLiteral("<br>"));
  const qsizetype start = std::max<qsizetype>(text.indexOf(QStringLiteral("<Title")), 0);
  text = text.mid(start, kBoardTextLimit);
  const qsizetype end = text.indexOf(QStringLiteral("</body>"));
  if (end < 0) return {};
  text.truncate(end);
  return TrimControls(text);
}

QStringList PieceLines(const QString& piece) {
  QStringList lines;
  // CR LF, a lone CR and a lone LF each end a line.
  QString text = piece;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  for (const QString& raw : text.split(QLatin1Char('\n'))) {
    QString line = TrimControls(raw);
    if (!line.isEmpty()) lines << line;
  }
  return lines;
}

QString LinkOf(const QStringList& lines) {
  if (lines.size() < 2) return {};
  const QString& line = lines[lines.size() - 2];
  const qsizetype at = line.indexOf(QStringLiteral("http://"));
  if (at < 0) return {};
  return Prefix(line.mid(at), kBoardLinkLimit);
}

}  // namespace

TBoard ProcessBoardText(const QString& text) {
  TBoard board;
  // "$" is one byte in UTF-8 and never part of another character.
  std::array<std::string, TBoard::kPieces> pieces;
  SplitText(UsefulPart(text).toStdString(), pieces, '$');
  for (const std::string& piece : pieces) {
    if (piece.empty()) break;
    const int i = board.Count++;
    QStringList lines = PieceLines(QString::fromStdString(piece));
    board.Links[i] = LinkOf(lines);
    if (lines.size() > kBoardLinesPerPiece) lines.resize(kBoardLinesPerPiece);
    for (QString& line : lines) line = Prefix(line, kBoardLineLimit);
    board.Lines[i] = std::move(lines);
  }
  return board;
}

QString JoinBoardLines(const QStringList& lines) {
  QString text;
  for (const QString& line : lines) text += line + QStringLiteral("\r\n");
  return text;
}

}  // namespace tessary
