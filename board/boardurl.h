// SPDX-License-Identifier: MIT
#pragma once

// Where the bulletin board is fetched from.

#include <QString>
#include <QStringList>

namespace tessary {

constexpr const char* kDefaultBoardUrl = "http://127.0.0.1:8080/scolbrd.php";
constexpr const char* kBoardUrlVariable = "TESSARY_BOARD_URL";

// From the program's arguments and the value of TESSARY_BOARD_URL: "--no-board"
// gives "" (no fetch); else "--board-url URL" or "--board-url=URL" (the last
// one given); else the variable when it is set and not empty; else the
// default address.
QString BoardUrlFromArguments(const QStringList& arguments, const QString& variable);

}  // namespace tessary
