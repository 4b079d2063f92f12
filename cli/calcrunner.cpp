#include "calcrunner.h"

#include <sys/types.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "cp936.h"
#include "numbertext.h"

namespace tessary::cli {

namespace {

struct TFileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Reads one line without its line end; a CR before the LF belongs to the line
// end (CR LF files), and a last line without a line end still counts.
class TLineReader {
 public:
  explicit TLineReader(std::FILE* in) : FIn(in) {}
  ~TLineReader() { std::free(FBuffer); }
  TLineReader(const TLineReader&) = delete;
  TLineReader& operator=(const TLineReader&) = delete;

  bool Next(std::string& line) {
    errno = 0;
    ssize_t n = getline(&FBuffer, &FCapacity, FIn);
    if (n < 0) {
      FError = std::ferror(FIn) ? (errno != 0 ? errno : EIO) : 0;
      return false;
    }
    std::string_view text(FBuffer, static_cast<std::size_t>(n));
    if (text.ends_with('\n')) text.remove_suffix(1);
    if (text.ends_with('\r')) text.remove_suffix(1);
    line.assign(text);
    return true;
  }
  // errno of a failed read, 0 after a clean end of input.
  int Error() const { return FError; }

 private:
  std::FILE* FIn;
  char* FBuffer = nullptr;
  std::size_t FCapacity = 0;
  int FError = 0;
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
  std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    ReportFileError("cannot open", path, errno);
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
  if (reader.Error() != 0) ReportFileError("cannot read", name, reader.Error());
}

void TCalcRunner::ReportFileError(const char* what, const std::string& name, int err) {
  FAnyFileError = true;
  std::string shown = name == "-" ? std::string("standard input") : "'" + name + "'";
  FErr << "tessary-calc: " << what << ' ' << shown << ": " << std::strerror(err) << '\n';
}

int TCalcRunner::ExitStatus() const {
  if (FAnyFileError) return 2;
  return FAnyEvalError ? 1 : 0;
}

}  // namespace tessary::cli
