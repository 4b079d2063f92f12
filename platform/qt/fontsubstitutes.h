// SPDX-License-Identifier: MIT
#pragma once

// The window and the side panels ask for fonts by their Windows face names
// ("宋体", "MS Sans Serif"); Debian has none of them. Each is mapped to the
// closest installed family, so that a panel gets a song-style, hei-style or
// kai-style face as asked, not the same default font for all.

#include <QString>
#include <QStringList>

#include <vector>

namespace tessary::platform {

struct TFontSubstitute {
  QString Face;          // as the program asks for it
  QStringList StandIns;  // installed families, closest first
};

// The table, for the tests and for anyone who wants to see what a face becomes.
const std::vector<TFontSubstitute>& FontSubstitutes();

// Registers the table with QFont. Call once, after QApplication exists.
void InstallFontSubstitutes();

// The families to ask Qt for in place of face: its installed stand-ins in
// order, or face itself when it has none or is not in the table. Asked by a
// name it does not know, Qt sorts every installed font once more for each
// script of the text before it tries the substitutes; asked by these it
// finds the same font at once. Safe on any thread once QApplication exists.
QStringList FamiliesFor(const QString& face);

}  // namespace tessary::platform
