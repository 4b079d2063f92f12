// SPDX-License-Identifier: MIT
// Cutting the board page into pieces and links, and where the board address
// comes from.

#include <gtest/gtest.h>

#include <QString>

#include "boardtext.h"
#include "boardurl.h"

namespace tessary {
namespace {

QString Page(const QString& body) {
  return QStringLiteral("<html><head><title>x</title></head><body>") + body +
         QStringLiteral("</body></html>");
}

struct TPieceCase {
  const char* Why;
  QString Text;
  int Count;
  std::vector<QStringList> Lines;  // of the first pieces
  std::vector<QString> Links;
};

class BoardPieces : public ::testing::TestWithParam<TPieceCase> {};

TEST_P(BoardPieces, CutAsThePageSays) {
  const TPieceCase& c = GetParam();
  const TBoard board = ProcessBoardText(c.Text);
  EXPECT_EQ(board.Count, c.Count);
  for (std::size_t i = 0; i < c.Lines.size(); ++i) EXPECT_EQ(board.Lines[i], c.Lines[i]) << i;
  for (std::size_t i = 0; i < c.Links.size(); ++i) EXPECT_EQ(board.Links[i], c.Links[i]) << i;
  for (int i = board.Count; i < TBoard::kPieces; ++i) {
    EXPECT_TRUE(board.Lines[i].isEmpty()) << "nothing after the last piece, " << i;
    EXPECT_TRUE(board.Links[i].isEmpty()) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Page, BoardPieces,
    ::testing::Values(
        TPieceCase{"four lines, the link on the third; the next piece goes to panel 1",
                   Page("<Title1>A1\r\nA2\r\nsee http://h.test/a\r\nZ$<Title2>B1\r\nB2"),
                   2,
                   {{"<Title1>A1", "A2", "see http://h.test/a", "Z"}, {"<Title2>B1", "B2"}},
                   {"http://h.test/a", ""}},
        TPieceCase{"an empty piece ends the list",
                   Page("<Title1>A\nB$<Title1>C\nD$$<Title1>E\nF"),
                   2,
                   {{"<Title1>A", "B"}, {"<Title1>C", "D"}},
                   {}},
        TPieceCase{"three pieces", Page("<Title1>A$<Title1>B$<Title1>C"), 3, {}, {}},
        TPieceCase{"markup and words before the address stay out of the link",
                   Page("<Title1>T\n<Text2><Center>详情请看 http://h.test/x?a=1&b=2\nend"),
                   1,
                   {{"<Title1>T", "<Text2><Center>详情请看 http://h.test/x?a=1&b=2", "end"}},
                   {"http://h.test/x?a=1&b=2"}},
        TPieceCase{"blank lines and lines of blanks go; a line's own blanks too",
                   Page("<Title1>T\r\n\r\n   \r\n\t  indented\t\r\n\x01\x1F\r\nlast"),
                   1,
                   {{"<Title1>T", "indented", "last"}},
                   {}},
        TPieceCase{"CR, LF and CR LF each end a line",
                   Page("<Title1>a\rb\nc\r\nd"),
                   1,
                   {{"<Title1>a", "b", "c", "d"}},
                   {}},
        TPieceCase{"<br> is ignored everywhere, even inside a tag",
                   Page("<Ti<br>tle1>A<br>B\nC<br>"),
                   1,
                   {{"<Title1>AB", "C"}},
                   {}},
        TPieceCase{"words before the first <Title are not shown",
                   Page("junk $ more junk\n<Title1>A\nB"),
                   1,
                   {{"<Title1>A", "B"}},
                   {}},
        TPieceCase{"no <Title: the text is kept from its start",
                   QStringLiteral("plain\nline$x\ny</body>"),
                   2,
                   {{"plain", "line"}, {"x", "y"}},
                   {}},
        TPieceCase{"no </body>: nothing", QStringLiteral("<Title1>A\nB"), 0, {}, {}},
        TPieceCase{"a </body> before the first <Title is not the end",
                   QStringLiteral("</body><Title1>A\nB</body>"),
                   1,
                   {{"<Title1>A", "B"}},
                   {}},
        TPieceCase{"tags are case-sensitive", QStringLiteral("<title1>A</BODY>"), 0, {}, {}},
        TPieceCase{"an empty page", QString(), 0, {}, {}},
        TPieceCase{"a piece of one line has no link",
                   Page("<Title1>http://h.test/one"),
                   1,
                   {{"<Title1>http://h.test/one"}},
                   {""}},
        TPieceCase{"only http:// makes a link: https:// and HTTP:// do not",
                   Page("<Title1>a https://h.test/s\nz$<Title1>b HTTP://h.test/u\nz"),
                   2,
                   {},
                   {"", ""}},
        TPieceCase{"the link runs from the first http:// to the end of the line",
                   Page("<Title1>x http://a.test/1 and http://b.test/2\nz"),
                   1,
                   {},
                   {"http://a.test/1 and http://b.test/2"}},
        TPieceCase{"the link of the last line is not taken",
                   Page("<Title1>x\nhttp://h.test/"),
                   1,
                   {},
                   {""}},
        TPieceCase{"a piece of blanks gives a panel without lines",
                   Page("<Title1>A\nB$ \r\n $<Title1>C\nD"),
                   3,
                   {{"<Title1>A", "B"}, {}, {"<Title1>C", "D"}},
                   {}}));

TEST(BoardText, TakesTenPiecesAndIgnoresTheRest) {
  QString body;
  for (int i = 0; i < 14; ++i) body += QStringLiteral("<Title1>P%1\nhttp://h.test/%1\nz$").arg(i);
  const TBoard board = ProcessBoardText(Page(body));
  ASSERT_EQ(board.Count, 10);
  EXPECT_EQ(board.Lines[9].front(), "<Title1>P9");
  EXPECT_EQ(board.Links[9], "http://h.test/9");
}

TEST(BoardText, BoundsWhatAPageCanAsk) {
  const QString huge(100000, QLatin1Char('x'));
  QString many;
  for (int i = 0; i < 5000; ++i) many += QStringLiteral("line\n");
  const QString longLink = QStringLiteral("http://h.test/") + huge;
  const TBoard board =
      ProcessBoardText(Page(QStringLiteral("<Title1>") + huge + QStringLiteral("\n") + longLink +
                            QStringLiteral("\nz$<Title1>") + many));
  ASSERT_EQ(board.Count, 2);
  EXPECT_EQ(board.Lines[0][0].size(), kBoardLineLimit) << "a panel gets a bounded line";
  EXPECT_EQ(board.Links[0], longLink.left(kBoardLinkLimit)) << "the link, up to its own limit";
  EXPECT_EQ(board.Lines[1].size(), kBoardLinesPerPiece);

  // Only the first 1024000 characters from "<Title" on are looked at.
  const QString past = QStringLiteral("<Title1>A\n") + QString(kBoardTextLimit, QLatin1Char('y')) +
                       QStringLiteral("</body>");
  EXPECT_EQ(ProcessBoardText(past).Count, 0);
}

TEST(BoardText, NeverCutsACharacterInTwo) {
  // U+1F600 is a surrogate pair; the limit falls between its halves.
  const QString line =
      QString(kBoardLineLimit - 1, QLatin1Char('a')) + QString::fromUcs4(U"\U0001F600");
  const TBoard board = ProcessBoardText(Page(QStringLiteral("<Title1>") + line + "\nz"));
  const QString shown = board.Lines[0][0];
  EXPECT_FALSE(shown.back().isHighSurrogate());
  EXPECT_TRUE(shown.startsWith(QStringLiteral("<Title1>aaa")));
}

TEST(BoardText, PiecesAreKeptWithCrLf) {
  EXPECT_EQ(JoinBoardLines({"a", "b"}), "a\r\nb\r\n");
  EXPECT_EQ(JoinBoardLines({}), "");
}

TEST(BoardUrl, OptionsThenVariableThenDefault) {
  const QString def = QString::fromLatin1(kDefaultBoardUrl);
  const QString env = QStringLiteral("http://env.test/scolbrd.php");
  struct {
    QStringList Args;
    QString Variable, Expected;
  } cases[] = {
      {{"tessary"}, "", def},
      {{"tessary"}, env, env},
      {{"tessary", "--board-url", "http://o.test/scolbrd.php"}, env, "http://o.test/scolbrd.php"},
      {{"tessary", "--board-url=http://q.test/scolbrd.php"}, "", "http://q.test/scolbrd.php"},
      {{"tessary", "--board-url", "http://a/", "--board-url", "http://b/"}, "", "http://b/"},
      {{"tessary", "--no-board"}, env, ""},
      {{"tessary", "--board-url", "http://o.test/", "--no-board"}, "", ""},
      {{"tessary", "--board-url"}, "", def},  // no value: ignored
      {{"--board-url"}, "", def},             // the program's own name is not an option
      {{"tessary", "--panels-active"}, "", def},
  };
  for (const auto& c : cases)
    EXPECT_EQ(BoardUrlFromArguments(c.Args, c.Variable), c.Expected)
        << c.Args.join(' ').toStdString();
}

}  // namespace
}  // namespace tessary
