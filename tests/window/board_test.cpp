// SPDX-License-Identifier: MIT
// The bulletin board in the main window: fetched from a canned server on
// loopback, or fed by hand through the ready-state handler. Whatever the
// server does, the window stays usable and the panels either show the
// pieces or keep their built-in text.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QThreadPool>

#include <memory>
#include <vector>

#include "aascrolltext.h"
#include "board/cannedserver.h"
#include "board/fakerequest.h"
#include "boardfetch.h"
#include "boardtext.h"
#include "cp936.h"
#include "formfcalculator.h"
#include "formulaparser.h"
#include "quietdialogs.h"
#include "userdialogs.h"

namespace tessary {
namespace {

using testing::TCannedServer;
using testing::TFakeRequest;

// Records the error boxes and the documents handed to the desktop.
struct TRecordingDialogs : TQuietDialogs {
  std::vector<QString> Errors;
  std::vector<QUrl> Opened;

  platform::TMessageAnswer ShowMessageBox(QWidget*, const QString&, const QString& text,
                                          platform::TMessageIcon icon,
                                          platform::TMessageButtons) override {
    if (icon == platform::TMessageIcon::Error) Errors.push_back(text);
    return platform::TMessageAnswer::Ok;
  }
  bool OpenDocument(const QUrl& url) override {
    Opened.push_back(url);
    return true;
  }
};

QByteArray Gbk(const QString& text) {
  const std::string bytes = platform::Utf8ToCp936(text.toStdString());
  return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString Page(const QString& body) {
  return QStringLiteral("<html><body>\r\n") + body + QStringLiteral("\r\n</body></html>");
}

// Piece i: a title, a line, the link line, a closing line.
QString Piece(int i) {
  return QStringLiteral(
             "<Title1><Center>公告%1<br>\r\n<Text1><Left>第%1条\r\n"
             "<Text2><Center>详情 http://127.0.0.1:8080/p%1.html\r\n<Right>完")
      .arg(i);
}

QStringList PieceLines(int i) {
  return {QStringLiteral("<Title1><Center>公告%1").arg(i),
          QStringLiteral("<Text1><Left>第%1条").arg(i),
          QStringLiteral("<Text2><Center>详情 http://127.0.0.1:8080/p%1.html").arg(i),
          QStringLiteral("<Right>完")};
}

QString Pieces(int count) {
  QStringList pieces;
  for (int i = 0; i < count; ++i) pieces << Piece(i);
  return Page(pieces.join(QStringLiteral("\r\n$\r\n")));
}

class Board : public ::testing::Test {
 protected:
  void SetUp() override {
    FWindow = std::make_unique<TFormFCalculator>(FEngine, FDialogs);
    FWindow->show();
    QApplication::processEvents();  // the panels lay their text out
    // The window's own start of the board, a moment after the first paint,
    // is over (it fetches nothing without an address): the fetch a test
    // starts is the only one.
    ASSERT_TRUE(QTest::qWaitFor([this] { return !FWindow->windowIcon().isNull(); }, 5000));
  }

  // Points the window at url and lets it start as it does at start-up.
  void StartAt(const QString& url) {
    FWindow->SetBoardUrl(url);
    FWindow->BBRDClick();
  }
  // The window lets go of the request of a failed answer at once.
  bool Finished() const {
    return !FWindow->Board().Request() || FWindow->Board().Request()->readyState() == 4;
  }
  void WaitUntilFinished() {
    ASSERT_TRUE(QTest::qWaitFor([this] { return Finished(); }, 1500));
  }
  // The page is cut into pieces on a worker thread; then the panels change.
  void WaitUntilApplied() {
    ASSERT_TRUE(QTest::qWaitFor([this] { return !FWindow->Board().Pending(); }, 5000));
  }

  TAAScrollText* Panel(int i) const { return FWindow->Panels()[i]; }
  void ExpectBuiltIn(int from, int to = TFormFCalculator::kPanelCount) const {
    for (int i = from; i < to; ++i) {
      EXPECT_EQ(Panel(i)->Text().Lines(), TFormFCalculator::BuiltInPanelText()) << "panel " << i;
      EXPECT_FALSE(Panel(i)->Active()) << "panel " << i;
      EXPECT_TRUE(FWindow->Board().Links()[i].isEmpty()) << "panel " << i;
    }
  }
  void ExpectShown(int count) const {
    for (int i = 0; i < count && i < TFormFCalculator::kPanelCount; ++i) {
      EXPECT_EQ(Panel(i)->Text().Lines(), PieceLines(i)) << "panel " << i;
      EXPECT_TRUE(Panel(i)->Active()) << "panel " << i;
      EXPECT_EQ(FWindow->Board().Links()[i],
                QStringLiteral("http://127.0.0.1:8080/p%1.html").arg(i));
    }
  }
  // Still answering: a calculation runs and shows its result.
  void ExpectUsable() {
    FWindow->MOriFormula()->setPlainText(QStringLiteral("X=6×7"));
    FWindow->TBCalClick();
    EXPECT_TRUE(FWindow->MResult()->toPlainText().contains(QStringLiteral("42")));
  }

  TFormulaParser FEngine;
  TRecordingDialogs FDialogs;
  std::unique_ptr<TFormFCalculator> FWindow;
};

TEST_F(Board, TheWindowFetchesNothingUnlessGivenAnAddress) {
  EXPECT_TRUE(FWindow->BoardUrl().isEmpty());
  QApplication::processEvents();
  EXPECT_FALSE(FWindow->Board().Request());
  ExpectBuiltIn(0);
}

TEST_F(Board, ArrivesFillsThePanelsAndAClickOpensTheLink) {
  TCannedServer server(TCannedServer::Http(200, Gbk(Pieces(7))));
  // As at start-up: the fetch starts once the window is up.
  FWindow.reset();
  FWindow = std::make_unique<TFormFCalculator>(FEngine, FDialogs);
  FWindow->SetBoardUrl(server.Url());
  FWindow->show();
  ASSERT_TRUE(QTest::qWaitFor([this] { return Panel(5)->Active(); }, 1500));

  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].Method, "POST");
  EXPECT_EQ(server.Requests()[0].Path, "/scolbrd.php");
  EXPECT_TRUE(server.Requests()[0].Body.isEmpty());

  EXPECT_TRUE(FWindow->Board().Complete());
  EXPECT_TRUE(FWindow->Board().Text().contains(QStringLiteral("公告6")))
      << "taken as code page 936";
  ExpectShown(6);
  EXPECT_EQ(FWindow->Board().Pieces()[6],
            PieceLines(6).join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"))
      << "a seventh piece is kept, without a panel";
  EXPECT_EQ(FWindow->Board().Links()[6], "http://127.0.0.1:8080/p6.html");
  EXPECT_TRUE(FWindow->Board().Pieces()[7].isEmpty());

  QTest::mouseClick(Panel(3), Qt::LeftButton);
  ASSERT_EQ(FDialogs.Opened.size(), 1u);
  EXPECT_EQ(FDialogs.Opened[0], QUrl("http://127.0.0.1:8080/p3.html"));
  EXPECT_TRUE(FDialogs.Errors.empty());
}

// What the server sends, and whether the panels show it.
struct TAnswerCase {
  const char* Why;
  QByteArray Response;
  int Shown;  // panels that show pieces; the others keep their text
  bool Kept;  // a whole page: the window keeps the request and the text
};

class BoardAnswers : public Board, public ::testing::WithParamInterface<TAnswerCase> {};

TEST_P(BoardAnswers, ShowThePiecesOrKeepTheText) {
  TCannedServer server(GetParam().Response);
  StartAt(server.Url());
  WaitUntilFinished();
  WaitUntilApplied();
  const int shown = GetParam().Shown;
  ExpectShown(shown);
  ExpectBuiltIn(shown);
  EXPECT_EQ(bool(FWindow->Board().Request()), GetParam().Kept) << "the request and its body";
  if (!GetParam().Kept) {
    EXPECT_EQ(FWindow->Board().Text().capacity(), 0) << "nothing of the page";
  }
  EXPECT_TRUE(FDialogs.Errors.empty()) << "a server's fault is not the user's";
  ExpectUsable();
}

QByteArray Huge(qsizetype size) {
  QByteArray body = Gbk(QStringLiteral("<html><body><Title1>大\r\n"));
  body += QByteArray(size, 'x');
  return body + "</body>";
}

INSTANTIATE_TEST_SUITE_P(
    Window, BoardAnswers,
    ::testing::Values(
        TAnswerCase{"200", TCannedServer::Http(200, Gbk(Pieces(6))), 6, true},
        TAnswerCase{"three pieces change panels 0 to 2 only",
                    TCannedServer::Http(200, Gbk(Pieces(3))), 3, true},
        TAnswerCase{"more than ten pieces: the rest is ignored",
                    TCannedServer::Http(200, Gbk(Pieces(14))), 6, true},
        TAnswerCase{"not found", TCannedServer::Http(404, Gbk(Pieces(6))), 0, false},
        TAnswerCase{"server error", TCannedServer::Http(500, Gbk(Pieces(6))), 0, false},
        TAnswerCase{"moved", TCannedServer::Http(302, Gbk(Pieces(6))), 0, false},
        TAnswerCase{"no </body>", TCannedServer::Http(200, Gbk(Pieces(6)).replace("</body>", "")),
                    0, true},
        TAnswerCase{"an empty body", TCannedServer::Http(200, ""), 0, true},
        TAnswerCase{"not HTTP at all", "garbage\r\n\r\n", 0, false},
        TAnswerCase{"50 MB: capped, so its </body> never comes",
                    TCannedServer::Http(200, Huge(50 << 20)), 0, false}));

TEST_F(Board, ARefusedConnectionKeepsThePanels) {
  StartAt(TCannedServer::RefusingUrl());
  WaitUntilFinished();
  EXPECT_FALSE(FWindow->Board().Request()) << "nothing of a failed answer is kept";
  EXPECT_FALSE(FWindow->Board().Complete());
  ExpectBuiltIn(0);
  EXPECT_TRUE(FDialogs.Errors.empty());
}

// Pages the panels take, however odd: they show what they can.
TEST_F(Board, OddPagesAreShownWithinBounds) {
  const QByteArray longLine(100000, 'w');
  const QByteArray page = "<body><Title1>long " + longLine + "\r\nlink http://h.test/" + longLine +
                          "\r\nend$<Title1>bad \x81\x20\xFF\xFE bytes\r\nhttp://h.test/b\r\nz"
                          "$one line http://h.test/one</body>";
  TCannedServer server(TCannedServer::Http(200, page));
  StartAt(server.Url());
  WaitUntilFinished();
  WaitUntilApplied();
  EXPECT_TRUE(Panel(0)->Active());
  EXPECT_EQ(Panel(0)->Text().Lines()[0].size(), kBoardLineLimit);
  EXPECT_EQ(FWindow->Board().Links()[0].size(), kBoardLinkLimit);
  EXPECT_TRUE(Panel(1)->Text().Lines()[0].startsWith(QStringLiteral("<Title1>bad ")));
  EXPECT_TRUE(Panel(1)->Text().Lines()[0].endsWith(QStringLiteral(" bytes")));
  EXPECT_EQ(FWindow->Board().Links()[1], "http://h.test/b");
  EXPECT_EQ(Panel(2)->Text().Lines(), QStringList{"one line http://h.test/one"});
  EXPECT_TRUE(FWindow->Board().Links()[2].isEmpty()) << "a piece of one line has no link";
  ExpectBuiltIn(3);
  ExpectUsable();
}

TEST_F(Board, ASlowAnswerArrivesWhileTheWindowWorks) {
  TCannedServer server(TCannedServer::Http(200, Gbk(Pieces(2))), 300);
  StartAt(server.Url());
  ExpectUsable();
  ExpectBuiltIn(0);
  WaitUntilFinished();
  WaitUntilApplied();
  ExpectShown(2);
}

TEST_F(Board, AServerThatNeverAnswersHoldsNothingUp) {
  TCannedServer server({}, TCannedServer::kNever);
  StartAt(server.Url());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !server.Requests().empty(); }, 1500));
  QTest::qWait(50);
  EXPECT_LT(FWindow->Board().Request()->readyState(), 4);
  ExpectUsable();
  ExpectBuiltIn(0);
  FWindow.reset();  // closing does not wait for the server
  QApplication::processEvents();
}

TEST_F(Board, ANewFetchCancelsTheOneUnderWay) {
  TCannedServer silent({}, TCannedServer::kNever);
  StartAt(silent.Url());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !silent.Requests().empty(); }, 1500));
  const platform::TComPtr<platform::IXmlHttpRequest> first(FWindow->Board().Request());
  TCannedServer server(TCannedServer::Http(200, Gbk(Pieces(1))));
  StartAt(server.Url());
  EXPECT_EQ(first->readyState(), 0) << "the first request was aborted";
  WaitUntilFinished();
  WaitUntilApplied();
  ExpectShown(1);
  ExpectBuiltIn(1);
}

TEST_F(Board, AnAddressThatCannotBeUsedIsReported) {
  for (const char* url : {"ftp://127.0.0.1/scolbrd.php", "not an address", "http://"}) {
    FDialogs.Errors.clear();
    StartAt(QString::fromLatin1(url));
    EXPECT_EQ(FDialogs.Errors.size(), 1u) << url;
    EXPECT_FALSE(FWindow->Board().Request()) << url;
  }
  ExpectBuiltIn(0);
}

// The handler as the request calls it, state by state.
TEST_F(Board, OnlyStateFourWithStatus200HasAnEffect) {
  auto* raw = new TFakeRequest;
  const platform::TComPtr<platform::IXmlHttpRequest> request(raw);
  raw->Text = Pieces(6);
  for (int state = 1; state <= 3; ++state) {
    raw->State = state;
    raw->Status = 200;
    FWindow->Board().EventHandl(raw);
    EXPECT_FALSE(FWindow->Board().Complete()) << state;
  }
  raw->State = 4;
  for (int status : {0, 204, 404}) {
    raw->Status = status;
    FWindow->Board().EventHandl(raw);
    EXPECT_FALSE(FWindow->Board().Complete()) << status;
    ExpectBuiltIn(0);
  }
  raw->Status = 200;
  FWindow->Board().EventHandl(raw);
  WaitUntilApplied();
  EXPECT_TRUE(FWindow->Board().Complete());
  EXPECT_EQ(FWindow->Board().Text(), Pieces(6));
  ExpectShown(6);
  FWindow->Board().EventHandl(nullptr);
}

// Decoding and cutting a page of a megabyte takes longer than the window
// may stand still: a worker does it. What it finishes for a fetch that has
// been replaced, or for a window that is gone, is dropped.
TEST_F(Board, APageIsCutIntoPiecesOffTheWindowThread) {
  auto* raw = new TFakeRequest;
  const platform::TComPtr<platform::IXmlHttpRequest> request(raw);
  raw->State = 4;
  raw->Status = 200;
  raw->Text = Pieces(6);
  FWindow->Board().EventHandl(raw);
  EXPECT_TRUE(FWindow->Board().Pending()) << "the handler returns before the page is cut";
  ExpectBuiltIn(0);
  WaitUntilApplied();
  ExpectShown(6);

  raw->Text = Page(QStringLiteral("<Title1>旧的\r\nB"));
  FWindow->Board().EventHandl(raw);
  StartAt(TCannedServer::RefusingUrl());
  EXPECT_FALSE(FWindow->Board().Pending());
  QThreadPool::globalInstance()->waitForDone();
  QApplication::processEvents();
  ExpectShown(6);
  EXPECT_TRUE(FWindow->Board().Text().isEmpty());

  FWindow->Board().EventHandl(raw);
  FWindow.reset();
  QThreadPool::globalInstance()->waitForDone();
  QApplication::processEvents();
}

struct TPageCase {
  const char* Why;
  QString Body;
  std::vector<QStringList> Lines;  // the panels that change
  std::vector<QString> Links;
};

class BoardPages : public Board, public ::testing::WithParamInterface<TPageCase> {};

TEST_P(BoardPages, FillTheirPanels) {
  auto* raw = new TFakeRequest;
  const platform::TComPtr<platform::IXmlHttpRequest> request(raw);
  raw->State = 4;
  raw->Status = 200;
  raw->Text = Page(GetParam().Body);
  FWindow->Board().EventHandl(raw);
  WaitUntilApplied();
  const auto& lines = GetParam().Lines;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(Panel(int(i))->Text().Lines(), lines[i]) << i;
    EXPECT_TRUE(Panel(int(i))->Active()) << i;
    EXPECT_EQ(FWindow->Board().Links()[i], GetParam().Links[i]) << i;
  }
  ExpectBuiltIn(int(lines.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Window, BoardPages,
    ::testing::Values(
        TPageCase{"four lines with the link on the third",
                  "<Title1>A1\r\nA2\r\n<Text2>see http://h.test/a\r\nZ$<Title2>B1\r\nB2",
                  {{"<Title1>A1", "A2", "<Text2>see http://h.test/a", "Z"}, {"<Title2>B1", "B2"}},
                  {"http://h.test/a", ""}},
        TPageCase{"an empty piece ends the list",
                  "<Title1>A\nB$$<Title1>C\nD",
                  {{"<Title1>A", "B"}},
                  {""}},
        TPageCase{"markup and words before http://",
                  "<Title1>T\n<Text2><Center>详情请点击 http://h.test/x\nend",
                  {{"<Title1>T", "<Text2><Center>详情请点击 http://h.test/x", "end"}},
                  {"http://h.test/x"}},
        TPageCase{"blank lines dropped",
                  "<Title1>T\r\n\r\n  \r\n   lead\r\nend",
                  {{"<Title1>T", "lead", "end"}},
                  {""}}));

// Links come from a server: only a web address reaches the opener.
TEST_F(Board, OnlyWebAddressesAreOpened) {
  const struct {
    const char* Link;
    bool Opens;
  } cases[] = {
      {"http://127.0.0.1:8080/about.html", true},
      {"https://h.test/a?b=1", true},
      {"http://h.test/a b 点此", true},  // words after the address go with it, escaped
      {"http://", false},
      {"file:///etc/passwd", false},
      {"javascript:alert(1)", false},
      {"/usr/bin/xterm", false},
      {"mailto:a@h.test", false},
      {"http://[::1", false},
  };
  for (const auto& c : cases) {
    FDialogs.Opened.clear();
    FWindow->Board().SetLink(1, QString::fromUtf8(c.Link));
    FWindow->AAFadeText1Click(Panel(1));
    EXPECT_EQ(FDialogs.Opened.size(), c.Opens ? 1u : 0u) << c.Link;
    if (c.Opens && !FDialogs.Opened.empty()) {
      EXPECT_EQ(FDialogs.Opened[0].scheme().left(4), "http");
    }
  }
}

}  // namespace
}  // namespace tessary
