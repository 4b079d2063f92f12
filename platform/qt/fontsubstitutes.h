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
  // A Chinese face: each stand-in draws Latin and Chinese text alike, and
  // the later ones are only there for when the first is not installed.
  bool Chinese = false;
};

// The table, for the tests and for anyone who wants to see what a face becomes.
const std::vector<TFontSubstitute>& FontSubstitutes();

// Registers the table with QFont. Call once, after QApplication exists.
void InstallFontSubstitutes();

// The families to ask Qt for in place of face: for a Chinese face its first
// installed stand-in, for a Latin one its installed stand-ins in order (the
// Chinese ones behind give Chinese text its glyphs), or face itself when it
// has none or is not in the table. Asked by a name it does not know, Qt
// sorts every installed font once more for each script of the text before
// it tries the substitutes; asked by these it finds the same font at once.
// Given more than one family, Qt sorts all fonts for the fallbacks of each
// script at once, which one family that has the glyphs never needs.
// Safe on any thread once QApplication exists.
QStringList FamiliesFor(const QString& face);

}  // namespace tessary::platform
