#include "calcrunner.h"

#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "atomicfile.h"
#include "cp936.h"
#include "numbertext.h"
#include "worksheetfile.h"

namespace tessary::cli {

namespace {

struct TFileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Reads one line without its line end; a CR before the LF belongs to the line
// end (CR LF files), and a last line without a line end still counts. A line
// past the limit ends the input with an error: a stream without line ends
// (/dev/zero) must not fill the memory.
class TLineReader {
 public:
  explicit TLineReader(std::FILE* in) : FIn(in) {}

  bool Next(std::string& line) {
    line.clear();
    errno = 0;
    int c;
    while ((c = getc_unlocked(FIn)) != EOF && c != '\n') {
      if (line.size() == kMaxLineBytes) {
        FError = "Line too long (limit 16 MiB)";
        return false;
      }
      line.push_back(static_cast<char>(c));
    }
    if (c == EOF && std::ferror(FIn)) {
      FError = std::strerror(errno != 0 ? errno : EIO);
      return false;
    }
    if (c == EOF && line.empty()) return false;
    if (line.ends_with('\r')) line.pop_back();
    return true;
  }
  // Why the input ended early; empty after a clean end of input.
  const std::string& Error() const { return FError; }

 private:
  static constexpr std::size_t kMaxLineBytes = std::size_t{16} << 20;
  std::FILE* FIn;
  std::string FError;
};

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

}  // namespace

void TCalcRunner::EvaluateLine(std::string_view utf8) {
  FParser.SetExpression(platform::Utf8ToCp936(utf8));
  TReal value = FParser.Evaluate();
  if (int code = FParser.ErrorCode(); code != 0) {
    FAnyEvalError = true;
    FOut << "ERROR " << code << ' ' << platform::Cp936ToUtf8(FParser.ErrorMessage()) << '\n';
  } else {
    FOut << NumberText(value) << '\n';
  }
}

void TCalcRunner::RunFile(const std::string& path) {
  if (path == "-") {
    // Answers go out line by line so that another program can converse
    // with the calculator through a pipe.
    RunStream(stdin, path, true);
    std::clearerr(stdin);
    return;
  }
  // Only a regular file of at most 16 MiB: a FIFO without a writer would block,
  // a device such as /dev/zero never end. Pipes come through standard input.
  int fd = -1;
  try {
    fd = platform::OpenRegularFile(path, kMaxWorksheetFileBytes);
  } catch (const platform::EFileError& e) {
    const char* reason = e.Error() == EINVAL  ? "Not a regular file"
                         : e.Error() == EFBIG ? "File too large (limit 16 MiB)"
                                              : std::strerror(e.Error());
    ReportFileError("cannot open", path, reason);
    return;
  }
  std::unique_ptr<std::FILE, TFileCloser> file(fdopen(fd, "rb"));
  if (!file) {
    const int error = errno;
    ::close(fd);
    ReportFileError("cannot open", path, std::strerror(error));
    return;
  }
  RunStream(file.get(), path, false);
}

void TCalcRunner::RunStream(std::FILE* in, const std::string& name, bool flushEach) {
  TLineReader reader(in);
  std::string line;
  bool first = true;
  while (reader.Next(line)) {
    // Editors on other systems like to start UTF-8 files with a byte order
    // mark; it is no part of the first expression.
    if (first && line.starts_with(kUtf8Bom)) line.erase(0, kUtf8Bom.size());
    first = false;
    EvaluateLine(line);
    if (flushEach) FOut.flush();
  }
  if (!reader.Error().empty()) ReportFileError("cannot read", name, reader.Error());
}

void TCalcRunner::ReportFileError(const char* what, const std::string& name,
                                  std::string_view reason) {
  FAnyFileError = true;
  std::string shown = name == "-" ? std::string("standard input") : "'" + name + "'";
  FErr << "tessary-calc: " << what << ' ' << shown << ": " << reason << '\n';
}

int TCalcRunner::ExitStatus() const {
  if (FAnyFileError) return 2;
  return FAnyEvalError ? 1 : 0;
}

}  // namespace tessary::cli
