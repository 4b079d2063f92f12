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

}  // namespace tessary::platform
