// SPDX-License-Identifier: MIT
// The worksheet and variable files: paths, line ends, code page 936 bytes,
// the key rule while reading, and saving that keeps the old files on failure.

#include "worksheetfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "errortext.h"
#include "testutil/tempfolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace tessary {
namespace {

namespace fs = std::filesystem;
using TLines = std::vector<std::string>;

// Known code page 936 bytes of the signs the worksheet uses.
constexpr char kTimes[] = "\xA1\xC1";   // ×
constexpr char kDivide[] = "\xA1\xC2";  // ÷
constexpr char kPi[] = "\xA6\xD0";      // π
constexpr char kMiddle[] = "\xD6\xD0";  // 中

class WorksheetFile : public testing::TTempFolderTest {
 protected:
  static TKeyValueTable Table(const TLines& rows) {
    TKeyValueTable table;
    for (const auto& row : rows) table.AppendRow(row);
    return table;
  }
};

TEST(VariableFilePath, ReplacesTheFileNamesExtension) {
  const std::pair<const char*, const char*> cases[] = {
      {"calc.txt", "calc.vle"},
      {"a.b.txt", "a.b.vle"},            // only the last extension goes
      {"calc", "calc.vle"},              // none to replace: appended
      {"dir.x/calc", "dir.x/calc.vle"},  // a folder's dot is no extension
      {"/home/li/dir.x/a.b.txt", "/home/li/dir.x/a.b.vle"},
      {"calc.", "calc.vle"},  // an empty extension is replaced too
      {"calc.VLE", "calc.vle"},
      {"数据/计算.txt", "数据/计算.vle"},
      {"dir/.calc", "dir/.calc.vle"},  // a leading dot starts no extension
  };
  for (const auto& [worksheet, vars] : cases) EXPECT_EQ(VariableFilePath(worksheet), vars);
}

// Reading replaces the whole pane; every line end counts, and bytes made of
// CR LF line ends are written back exactly as they were read.
TEST(WorksheetLines, LineEnds) {
  struct TCase {
    std::string Bytes;
    TLines Lines;
    bool WritesBackSame;
  };
  const TCase cases[] = {
      {"", {""}, true},  // an empty file is one empty line
      {"a", {"a"}, true},
      {"a\r\n", {"a", ""}, true},  // the line end starts a last, empty line
      {"a\r\nb", {"a", "b"}, true},
      {"\r\n\r\n", {"", "", ""}, true},
      {"a\rb\nc\r\nd", {"a", "b", "c", "d"}, false},  // lone CR and LF end lines too
      {"a\n", {"a", ""}, false},
      {"\n\r", {"", "", ""}, false},  // LF then CR: two line ends
      {"a\r\r\nb", {"a", "", "b"}, false},
  };
  for (const TCase& c : cases) {
    const TLines lines = WorksheetLines(c.Bytes);
    EXPECT_EQ(lines, c.Lines) << ::testing::PrintToString(c.Bytes);
    if (c.WritesBackSame) {
      EXPECT_EQ(WorksheetBytes(lines), c.Bytes);
    }
  }
}

// ×, ÷, π and Chinese text keep their code page 936 bytes through a write,
// a read and a second write; lines in memory are UTF-8.
TEST_F(WorksheetFile, RoundTripsCodePage936ByteForByte) {
  const std::string path = PathOf("calc.txt");
  const TLines lines = {"Z={80+2×[5+2×(1.5+1)]}/(P/T)", "// 中文注释", "W=6÷2×π", ""};
  EXPECT_EQ(WriteWorksheetFile(path, lines), 0u);
  const std::string bytes = Get(path);
  EXPECT_EQ(bytes, std::string("Z={80+2") + kTimes + "[5+2" + kTimes + "(1.5+1)]}/(P/T)\r\n" +
                       "// " + kMiddle + "\xCE\xC4\xD7\xA2\xCA\xCD\r\nW=6" + kDivide + "2" +
                       kTimes + kPi + "\r\n");
  EXPECT_EQ(ReadWorksheetFile(path), lines);
  WriteWorksheetFile(path, ReadWorksheetFile(path));
  EXPECT_EQ(Get(path), bytes);

  const std::string vars = PathOf("calc.vle");
  const TKeyValueTable table = Table({"P=100", "角=π÷2", "T=273.15"});
  EXPECT_EQ(WriteVariableFile(vars, table), 0u);
  const std::string varBytes = Get(vars);
  EXPECT_EQ(varBytes, std::string("P=100\r\n\xBD\xC7=") + kPi + kDivide + "2\r\nT=273.15\r\n");
  TKeyValueTable back;
  ReadVariableFile(vars, back);
  EXPECT_EQ(back.Rows(), table.Rows());
  WriteVariableFile(vars, back);
  EXPECT_EQ(Get(vars), varBytes);
}

// Characters without a code page 936 form are saved as "？" and counted so
// that the window can warn; the count is per character, not per byte.
TEST_F(WorksheetFile, CountsCharactersSavedAsQuestionMarks) {
  const std::string q = "\xA3\xBF";
  struct TCase {
    TLines Text;
    std::string Bytes;     // as a worksheet
    std::string VarBytes;  // as variable rows
    std::size_t Replaced;
  };
  const TCase cases[] = {
      {{"x=1"}, "x=1", "x=1\r\n", 0},
      {{"x=1 😀", "y=2 \xF0\xA0\x80\x80"},  // emoji, U+20000
       "x=1 " + q + "\r\ny=2 " + q,
       "x=1 " + q + "\r\ny=2 " + q + "\r\n",
       2},
      {{"？=€"}, q + "=\x80", q + "=\x80\r\n", 0},  // a real "？" and the euro have forms
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(WriteWorksheetFile(PathOf("calc.txt"), c.Text), c.Replaced);
    EXPECT_EQ(Get(PathOf("calc.txt")), c.Bytes);
    EXPECT_EQ(WriteVariableFile(PathOf("calc.vle"), Table(c.Text)), c.Replaced);
    EXPECT_EQ(Get(PathOf("calc.vle")), c.VarBytes);
  }
}

// Rows end with CR LF, the last one too; reading takes each line as it
// stands and a last line without line end still counts.
TEST(VariableRows, LineEnds) {
  struct TCase {
    std::string Bytes;
    TLines Rows;
    bool WritesBackSame;
  };
  const TCase cases[] = {
      {"", {}, true},  // an empty table is an empty file
      {"P=100\r\nT=273.15\r\n", {"P=100", "T=273.15"}, true},
      {"P=100\r\nT=273.15", {"P=100", "T=273.15"}, false},
      {"a=1\rb=2\nc=3\r\n", {"a=1", "b=2", "c=3"}, false},
      {"P=1\r\n\r\n", {"P=1", ""}, true},  // an empty line is a row with an empty key
      {"\r\n\r\n", {"", ""}, true},        // empty keys may repeat
      {" P = 1 \r\nno equals\r\n", {" P = 1 ", "no equals"}, true},
  };
  for (const TCase& c : cases) {
    TKeyValueTable table;
    ReadVariableRows(c.Bytes, table);
    EXPECT_EQ(table.Rows(), c.Rows) << ::testing::PrintToString(c.Bytes);
    if (c.WritesBackSame) {
      EXPECT_EQ(VariableBytes(table), c.Bytes);
    }
  }
}

// A second row with the same key ignoring case stops the reading with the
// key message; the rows before it stay, earlier rows of the table do not.
TEST(VariableRows, DuplicateKeyStopsAndKeepsEarlierRows) {
  TKeyValueTable table;
  table.AppendRow("old=1");
  try {
    ReadVariableRows("a=1\r\nb=2\r\nA=3\r\nc=4\r\n", table);
    ADD_FAILURE() << "no duplicate reported";
  } catch (const EDuplicateKey& e) {
    EXPECT_STREQ(e.what(), "名称“A”已存在");
  }
  EXPECT_EQ(table.Rows(), (TLines{"a=1", "b=2"}));
}

TEST(VariableRows, Utf8WithOrWithoutByteOrderMark) {
  for (const std::string bom : {"", "\xEF\xBB\xBF"}) {
    TKeyValueTable table;
    ReadVariableRows(bom + "角=π\r\n", table, TFileEncoding::Utf8);
    EXPECT_EQ(table.Rows(), TLines{"角=π"});
    EXPECT_EQ(WorksheetLines(bom + "Z=2×π", TFileEncoding::Utf8), TLines{"Z=2×π"});
  }
  EXPECT_EQ(WorksheetBytes({"Z=2×π", ""}, TFileEncoding::Utf8), "Z=2×π\r\n");
  // A code page 936 file read as UTF-8 must not put broken UTF-8 in the pane.
  EXPECT_EQ(WorksheetLines("Z=2\xA1\xC1\xA6\xD0\r\n\xE4\xB8", TFileEncoding::Utf8),
            (TLines{"Z=2����", "�"}));
}

// Files that cannot be read leave pane and table alone and name the file;
// only a missing variable file is no error where it is optional.
TEST_F(WorksheetFile, ReadErrorsNameTheFile) {
  const std::string missing = PathOf("missing.txt");
  const std::string message = "无法打开文件“" + missing + "”：文件或文件夹不存在";
  TKeyValueTable table = Table({"P=100"});
  try {
    ReadWorksheetFile(missing);
    ADD_FAILURE();
  } catch (const platform::EFileError& e) {
    EXPECT_EQ(std::string(e.what()), message);
  }
  try {
    ReadVariableFile(missing, table);
    ADD_FAILURE();
  } catch (const platform::EFileError& e) {
    EXPECT_EQ(std::string(e.what()), message);
  }
  EXPECT_FALSE(ReadVariableFileIfPresent(missing, table));
  EXPECT_EQ(table.Rows(), TLines{"P=100"});
  EXPECT_THROW(ReadVariableFileIfPresent(FDir.string(), table), platform::EFileError)
      << "a folder is an error, not a missing file";
  EXPECT_EQ(table.Rows(), TLines{"P=100"});

  Put(PathOf("calc.vle"), "T=1\r\n");
  EXPECT_TRUE(ReadVariableFileIfPresent(PathOf("calc.vle"), table));
  EXPECT_EQ(table.Rows(), TLines{"T=1"});

  // Neither a FIFO nor a file past 16 MiB is read: refused at once, by name.
  ASSERT_EQ(mkfifo(PathOf("pipe.vle").c_str(), 0644), 0);
  Put(PathOf("big.txt"), "");
  fs::resize_file(PathOf("big.txt"), (std::size_t{16} << 20) + 1);
  alarm(10);  // opened the blocking way, the FIFO would wait forever
  try {
    ReadVariableFileIfPresent(PathOf("pipe.vle"), table);
    ADD_FAILURE();
  } catch (const platform::EFileError& e) {
    EXPECT_EQ(std::string(e.what()), "无法打开文件“" + PathOf("pipe.vle") + "”：不是普通文件");
  }
  alarm(0);
  try {
    ReadWorksheetFile(PathOf("big.txt"));
    ADD_FAILURE();
  } catch (const platform::EFileError& e) {
    EXPECT_EQ(std::string(e.what()),
              "无法打开文件“" + PathOf("big.txt") + "”：文件太大（上限 16 MiB）");
  }
  fs::resize_file(PathOf("big.txt"), std::size_t{16} << 20);
  EXPECT_EQ(ReadWorksheetFile(PathOf("big.txt")).size(), 1u) << "16 MiB itself is read";
  EXPECT_EQ(table.Rows(), TLines{"T=1"});
}

// A save that fails leaves both old files as they were.
TEST_F(WorksheetFile, FailedSaveKeepsOldFiles) {
  const std::string path = PathOf("calc.txt");
  const std::string vars = VariableFilePath(path);
  Put(path, "old\r\nsheet");
  Put(vars, "P=1\r\n");
  platform::TFileOps full = platform::SystemFileOps();
  full.Write = [](int, const void*, std::size_t) -> ssize_t {
    errno = ENOSPC;
    return -1;
  };
  EXPECT_THROW(WriteWorksheetFile(path, {"new"}, TFileEncoding::Cp936, full), platform::EFileError);
  EXPECT_THROW(WriteVariableFile(vars, Table({"Q=2"}), TFileEncoding::Cp936, full),
               platform::EFileError);
  EXPECT_EQ(Get(path), "old\r\nsheet");
  EXPECT_EQ(Get(vars), "P=1\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(FDir), fs::directory_iterator()), 2);

  // Saved as a pair, a failure at the second file leaves the first one old too.
  struct TFailure {
    const char* Step;
    int Error;
  };
  for (const TFailure failure : {TFailure{"write", ENOSPC}, TFailure{"sync", EIO}}) {
    SCOPED_TRACE(failure.Step);
    auto files = std::make_shared<int>(0);  // temporary files opened so far
    platform::TFileOps second = platform::SystemFileOps();
    second.Open = [files](const char* name, int flags, mode_t mode) {
      const int fd = ::open(name, flags, mode);
      if (fd >= 0 && (flags & O_CREAT)) ++*files;
      return fd;
    };
    const auto failsOnSecond = [files, failure](const char* step) {
      return *files >= 2 && std::string(step) == failure.Step;
    };
    second.Write = [failsOnSecond, failure](int fd, const void* data, std::size_t size) -> ssize_t {
      if (failsOnSecond("write")) {
        errno = failure.Error;
        return -1;
      }
      return ::write(fd, data, size);
    };
    second.Sync = [failsOnSecond, failure](int fd) {
      if (failsOnSecond("sync")) {
        errno = failure.Error;
        return -1;
      }
      return ::fsync(fd);
    };
    try {
      WriteWorksheetPair(path, {"new"}, Table({"Q=2"}), TFileEncoding::Cp936, second);
      ADD_FAILURE() << "no error reported";
    } catch (const platform::EFileError& e) {
      EXPECT_EQ(std::string(e.what()),
                "无法保存文件“" + vars + "”：" + platform::SystemErrorText(failure.Error));
    }
    EXPECT_EQ(Get(path), "old\r\nsheet");
    EXPECT_EQ(Get(vars), "P=1\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(FDir), fs::directory_iterator()), 2);
  }
}

// What could not be opened again is never saved: a file over the 16 MiB
// read limit is refused before either old file is touched.
TEST_F(WorksheetFile, SavingRefusesWhatOpeningWouldRefuse) {
  const std::string path = PathOf("calc.txt");
  const std::string vars = VariableFilePath(path);
  const std::string big((std::size_t{16} << 20) + 1, '1');
  const struct {
    TLines Sheet;
    TLines Rows;
    std::string Refused;
  } cases[] = {
      {{big}, {"P=1"}, path},
      {{"A=1"}, {"P=" + big}, vars},
  };
  for (const auto& c : cases) {
    Put(path, "old");
    Put(vars, "P=1\r\n");
    try {
      WriteWorksheetPair(path, c.Sheet, Table(c.Rows));
      ADD_FAILURE() << "saved";
    } catch (const platform::EFileError& e) {
      EXPECT_EQ(std::string(e.what()),
                "无法保存文件“" + c.Refused + "”：文件太大（上限 16 MiB），保存后将无法再打开");
    }
    EXPECT_EQ(Get(path), "old");
    EXPECT_EQ(Get(vars), "P=1\r\n");
  }
  EXPECT_EQ(WriteWorksheetPair(path, {std::string(std::size_t{16} << 20, '1')}, Table({})), 0u)
      << "exactly 16 MiB still opens";
}

// Before a save: how many characters have no form in the pair's encoding.
TEST(WorksheetFormats, CountsCharactersWithoutAForm) {
  const struct {
    TLines Sheet;
    TLines Rows;
    TFileEncoding Encoding;
    std::size_t Want;
  } cases[] = {
      {{"x=1 中"}, {"P=€"}, TFileEncoding::Cp936, 0},
      {{"x=1 😀", "y=\xF0\xA0\x80\x80"}, {"P=😀"}, TFileEncoding::Cp936, 3},
      {{"x=1 😀"}, {"P=😀"}, TFileEncoding::Utf8, 0},
  };
  for (const auto& c : cases) {
    TKeyValueTable table;
    for (const auto& row : c.Rows) table.AppendRow(row);
    EXPECT_EQ(CharactersWithoutForm(c.Sheet, table, c.Encoding), c.Want) << c.Sheet[0];
  }
}

// Bytes that are not valid in the file's encoding are shown as "�" and
// counted, so that opening can say so.
TEST_F(WorksheetFile, ReadingCountsInvalidBytes) {
  const struct {
    std::string Bytes;
    std::size_t Want;
  } cases[] = {
      {"A=1 // \xD6\xD0", 0},
      {"A=1 // \xFF", 1},
      {"A=1 // \xFF\r\nB=\xFF", 2},
      {"\xEF\xBB\xBF"
       "A=1 // \xEF\xBF\xBD",
       0},  // a real "�" in UTF-8
      {"\xEF\xBB\xBF"
       "A=1 // \xC3",
       1},
  };
  for (const auto& c : cases) {
    Put(PathOf("bad.txt"), c.Bytes);
    TTextFormat found;
    std::size_t invalid = 99;
    ReadWorksheetFileAsFound(PathOf("bad.txt"), found, &invalid);
    EXPECT_EQ(invalid, c.Want) << c.Bytes;
  }
}

// Which files are read as UTF-8: a byte order mark, or well-formed UTF-8
// with a character beyond ASCII. UTF-8 (and plain ASCII) keeps its first
// line end.
TEST(TextFormat, DetectedFromTheBytes) {
  const struct {
    std::string Bytes;
    TFileEncoding Encoding;
    bool Bom;
    std::string_view LineEnd;
    bool Evident;
    const char* Why;
  } cases[] = {
      {"Z=2\xC3\x97\xCF\x80\n", TFileEncoding::Utf8, false, "\n", true, "Z=2×π, LF"},
      {"\xEF\xBB\xBFZ=1\r\nA=2", TFileEncoding::Utf8, true, "\r\n", true, "a BOM before ASCII"},
      {"\xEF\xBB\xBF", TFileEncoding::Utf8, true, "\r\n", true, "a BOM alone"},
      {"\xE9\x95\xBF=2\rB=1", TFileEncoding::Utf8, false, "\r", true, "长=2, CR"},
      {std::string("Z=2") + kTimes + kPi + "\r\n", TFileEncoding::Cp936, false, "\r\n", true,
       "× π in code page 936"},
      {"a=1\n\xCA\xB1=2\n", TFileEncoding::Utf8, false, "\n", true,
       "时=2 in code page 936 is also well-formed UTF-8 (U+02B1): read as UTF-8"},
      {std::string(kMiddle) + "\xCE\xC4\n", TFileEncoding::Cp936, false, "\r\n", true,
       "中文: D0 continues no UTF-8 character"},
      {"Z=1+2\n", TFileEncoding::Cp936, false, "\n", false,
       "plain ASCII shows nothing, and keeps its line end should its .vle make it UTF-8"},
      {"", TFileEncoding::Cp936, false, "\r\n", false, "an empty file"},
      {"Z=\xE4\xB8", TFileEncoding::Cp936, false, "\r\n", true, "UTF-8 cut short"},
      {"Z=\xC0\xAF", TFileEncoding::Cp936, false, "\r\n", true, "an overlong form is no UTF-8"},
      {"Z=\xED\xA0\x80", TFileEncoding::Cp936, false, "\r\n", true, "nor is a surrogate"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Why);
    const TTextFormat f = DetectTextFormat(c.Bytes);
    EXPECT_EQ(f.Encoding, c.Encoding);
    EXPECT_EQ(f.ByteOrderMark, c.Bom);
    EXPECT_EQ(f.LineEnd, c.LineEnd);
    EXPECT_EQ(f.Evident, c.Evident);
  }
}

// The variable file follows its worksheet; a plain ASCII worksheet follows
// a variable file that shows its encoding. Code page 936 is always CR LF.
TEST(TextFormat, TheVariableFileFollowsItsWorksheet) {
  auto found = [](const std::string& bytes) { return DetectTextFormat(bytes); };
  const TTextFormat utf8Lf = found("角=π\n");
  const TTextFormat utf8BomCrLf = found("\xEF\xBB\xBF角=π\r\n");
  const TTextFormat gbk = found(std::string(kMiddle) + "\xCE\xC4\n");
  const TTextFormat asciiLf = found("P=1\n");
  const struct {
    TTextFormat Sheet;
    const TTextFormat* Vars;
    TFileEncoding Encoding;
    bool SheetBom, VarsBom;
    std::string_view SheetEnd, VarsEnd;
    const char* Why;
  } cases[] = {
      {utf8Lf, nullptr, TFileEncoding::Utf8, false, false, "\n", "\n", "no .vle: as the sheet"},
      {utf8BomCrLf, nullptr, TFileEncoding::Utf8, true, true, "\r\n", "\r\n", "BOM for both"},
      {utf8Lf, &utf8BomCrLf, TFileEncoding::Utf8, false, true, "\n", "\r\n", "each keeps its own"},
      {utf8Lf, &gbk, TFileEncoding::Utf8, false, false, "\n", "\n", "a GBK .vle becomes UTF-8"},
      {utf8Lf, &asciiLf, TFileEncoding::Utf8, false, false, "\n", "\n", "an ASCII .vle too"},
      {gbk, &utf8Lf, TFileEncoding::Cp936, false, false, "\r\n", "\r\n", "a GBK sheet rules"},
      {asciiLf, &utf8BomCrLf, TFileEncoding::Utf8, false, true, "\n", "\r\n",
       "a plain ASCII sheet follows its .vle"},
      {asciiLf, &asciiLf, TFileEncoding::Cp936, false, false, "\r\n", "\r\n", "all ASCII: 936"},
      {TTextFormat(), nullptr, TFileEncoding::Cp936, false, false, "\r\n", "\r\n", "a new sheet"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Why);
    const TWorksheetFormats f = PairFormats(c.Sheet, c.Vars);
    EXPECT_EQ(f.Sheet.Encoding, c.Encoding);
    EXPECT_EQ(f.Vars.Encoding, c.Encoding);
    EXPECT_EQ(f.Sheet.ByteOrderMark, c.SheetBom);
    EXPECT_EQ(f.Vars.ByteOrderMark, c.VarsBom);
    EXPECT_EQ(f.Sheet.LineEnd, c.SheetEnd);
    EXPECT_EQ(f.Vars.LineEnd, c.VarsEnd);
  }
}

// A worksheet from a UTF-8 editor comes back byte for byte: BOM, LF and the
// final line end included.
TEST_F(WorksheetFile, AUtf8WorksheetIsSavedBackAsItWasRead) {
  const std::string path = PathOf("calc.txt");
  const std::string sheet = "\xEF\xBB\xBF// 圆\nZ=2\xC3\x97\xCF\x80\xC3\x97r\n";
  const std::string vars = "r=1.5\nT=273.15\n";
  Put(path, sheet);
  Put(VariableFilePath(path), vars);
  TTextFormat sheetFound, varsFound;
  const TLines lines = ReadWorksheetFileAsFound(path, sheetFound);
  EXPECT_EQ(lines, (TLines{"// 圆", "Z=2×π×r", ""}));
  TKeyValueTable table;
  ASSERT_TRUE(ReadVariableFileAsFound(VariableFilePath(path), table, varsFound));
  const TWorksheetFormats f = PairFormats(sheetFound, &varsFound);
  WriteWorksheetFile(path, lines, f.Sheet);
  WriteVariableFile(VariableFilePath(path), table, f.Vars);
  EXPECT_EQ(Get(path), sheet);
  EXPECT_EQ(Get(VariableFilePath(path)), vars);
}

}  // namespace
}  // namespace tessary
