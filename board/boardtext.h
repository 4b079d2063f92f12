// SPDX-License-Identifier: MIT
#pragma once

// The bulletin board page cut into pieces: the useful part runs from the
// first "<Title" to the first "</body>", pieces are separated by "$", and
// the second-to-last line of a piece carries its web link.

#include <QString>
#include <QStringList>

#include <array>

namespace tessary {

struct TBoard {
  static constexpr int kPieces = 10;
  // Pieces taken: those before the first empty one, at most kPieces.
  int Count = 0;
  // The non-empty trimmed lines of each piece, in order.
  std::array<QStringList, kPieces> Lines;
  // From the first "http://" of a piece's second-to-last line to its end;
  // empty when the piece has fewer than two lines or that line has none.
  std::array<QString, kPieces> Links;
};

// The longest part of a page looked at, in characters.
constexpr int kBoardTextLimit = 1024000;
// The longest link kept, in characters.
constexpr int kBoardLinkLimit = 10240;
// What a panel is given at most: a panel shows some 40 characters of a line
// and lays its whole text out as one image, so a hostile page could ask for
// gigabytes. Past these the lines are cut; the link is taken before that.
constexpr int kBoardLineLimit = 1000;
constexpr int kBoardLinesPerPiece = 200;

TBoard ProcessBoardText(const QString& text);

// A piece as the window keeps it: each line followed by CR LF.
QString JoinBoardLines(const QStringList& lines);

}  // namespace tessary
