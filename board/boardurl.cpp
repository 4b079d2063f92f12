// SPDX-License-Identifier: MIT
#include "boardurl.h"

namespace tessary {

QString BoardUrlFromArguments(const QStringList& arguments, const QString& variable) {
  static const QString option = QStringLiteral("--board-url");
  if (arguments.contains(QStringLiteral("--no-board"))) return {};
  QString url;
  bool given = false;
  // The first argument is the program itself.
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == option && i + 1 < arguments.size()) {
      url = arguments[++i];
      given = true;
    } else if (a.startsWith(option + QLatin1Char('='))) {
      url = a.mid(option.size() + 1);
      given = true;
    }
  }
  if (given) return url;
  if (!variable.isEmpty()) return variable;
  return QString::fromLatin1(kDefaultBoardUrl);
}

}  // namespace tessary
