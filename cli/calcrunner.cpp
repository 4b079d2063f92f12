// SPDX-License-Identifier: MIT
#include "calcrunner.h"

#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#include "atomicfile.h"
#include "cp936.h"
#include "numbertext.h"
#include "worksheetfile.h"

namespace tessary::cli {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

}  // namespace

TCalcRunner::TCalcRunner(int out, int err)
    : FOut(out), FErr(err), FFlushEachLine(isatty(out) == 1) {}

void TCalcRunner::EvaluateLine(std::string_view utf8) {
  // ASCII reads the same in both code pages: most formulas need no copy.
  if (platform::IsAscii(utf8)) {
    FParser.SetExpression(utf8);
  } else {
    FParser.SetExpression(platform::Utf8ToCp936(utf8));
  }
  const TReal value = FParser.Evaluate();
  if (const int code = FParser.ErrorCode(); code != 0) {
    FAnyEvalError = true;
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, code).ptr;
    FOut.Append("ERROR ");
    FOut.Append(std::string_view(digits, static_cast<std::size_t>(end - digits)));
    FOut.Append(' ');
    FOut.Append(platform::Cp936ToUtf8(FParser.ErrorMessage()));
  } else {
    char* text = FOut.Reserve(kNumberTextMax);
    FOut.Commit(WriteNumberText(value, text));
  }
  FOut.Append('\n');
  if (FFlushEachLine) FOut.Flush();
}

void TCalcRunner::RunFile(const std::string& path) {
  if (path == "-") {
    // Answers go out before each wait for input so that another program can
    // converse with the calculator through a pipe.
    if (!FStdin) FStdin.emplace(STDIN_FILENO);
    RunStream(*FStdin, path, true);
    FStdin->ForgetEnd();
    return;
  }
  // Only a regular file of at most 16 MiB: a FIFO without a writer would block,
  // a device such as /dev/zero never end. Pipes come through standard input.
  int fd = -1;
  try {
    fd = platform::OpenRegularFile(path, kMaxWorksheetFileBytes);
  } catch (const platform::EFileError& e) {
    ReportFileError(e.what());  // "无法打开文件“…”：不是普通文件", as the window says
    return;
  }
  struct TCloser {
    int Fd;
    ~TCloser() { ::close(Fd); }
  } closer{fd};
  TLineReader reader(fd);
  RunStream(reader, path, false);
}

void TCalcRunner::RunStream(TLineReader& reader, const std::string& name, bool flushEach) {
  std::string_view line;
  bool first = true;
  auto beforeWait = [&] {
    if (flushEach) FOut.Flush();
  };
  while (reader.Next(line, beforeWait)) {
    // Editors on other systems like to start UTF-8 files with a byte order
    // mark; it is no part of the first expression.
    if (first && line.starts_with(kUtf8Bom)) line.remove_prefix(kUtf8Bom.size());
    first = false;
    EvaluateLine(line);
  }
  if (!reader.Error().empty()) {
    const std::string shown = name == "-" ? std::string("标准输入") : "“" + name + "”";
    ReportFileError("无法读取" + shown + "：" + reader.Error());
  }
}

void TCalcRunner::ReportFileError(const std::string& message) {
  FAnyFileError = true;
  // The message follows the answers before it, also when both streams go
  // to one file.
  FOut.Flush();
  WriteAll(FErr, "tessary-calc: " + message + '\n');
}

int TCalcRunner::ExitStatus() const {
  if (FAnyFileError) return 2;
  return FAnyEvalError ? 1 : 0;
}

}  // namespace tessary::cli
