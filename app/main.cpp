// Start-up: at most one calculator per user, one engine, one window.

#include <exception>

#include "application.h"
#include "boardurl.h"
#include "fontsubstitutes.h"
#include "formfcalculator.h"
#include "singleinstance.h"
#include "userdialogs.h"

int main(int argc, char** argv) {
  using tessary::platform::TSingleInstanceLock;

  // First of all, so that a second start costs nothing and needs no display:
  // it ends at once, silently, leaving the running one alone. The lock stays
  // until the process ends. A lock that cannot be used at all (no writable
  // runtime folder) does not keep the user from calculating.
  TSingleInstanceLock instance;
  if (instance.TryAcquire("TessaryCal") == TSingleInstanceLock::TResult::Busy) return 0;

  tessary::TApplication app(argc, argv);
  tessary::platform::InstallFontSubstitutes();

  // A failure while the window is being built is shown like any other, not
  // left to end the program with a bare abort; then the program gives up.
  try {
    tessary::TFormFCalculator window(app.Engine(), tessary::platform::SystemUserDialogs());
    // The bulletin board is fetched once the window is up, from the
    // address of --board-url or TESSARY_BOARD_URL; --no-board skips it.
    window.SetBoardUrl(tessary::BoardUrlFromArguments(
        QCoreApplication::arguments(), qEnvironmentVariable(tessary::kBoardUrlVariable)));
    window.show();
    // Sets the side panels scrolling without the board: for a look at them
    // and for the CPU benchmark.
    if (QCoreApplication::arguments().contains(QStringLiteral("--panels-active")))
      window.SetPanelsActive(true);
    return app.exec();
  } catch (const std::exception& e) {
    app.ShowException(tessary::TApplication::MessageText(e.what()));
    return 1;
  }
}
