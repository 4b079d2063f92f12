// SPDX-License-Identifier: MIT
// The yardstick of the end-to-end benchmark: a whole process that evaluates
// each line of a file with muParser, single-shot (SetExpr + one Eval), and
// prints each value with "%.15Lg", one line per input line, as a program
// built on muParser would.
//
//   muparser_calc FILE     ('-': standard input)

#include <muParser.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  std::FILE* in = std::strcmp(argv[1], "-") == 0 ? stdin : std::fopen(argv[1], "rb");
  if (!in) {
    std::perror(argv[1]);
    return 2;
  }
  mu::Parser parser;
  char* line = nullptr;
  std::size_t capacity = 0;
  ssize_t n;
  int status = 0;
  while ((n = getline(&line, &capacity, in)) >= 0) {
    if (n > 0 && line[n - 1] == '\n') line[--n] = '\0';
    if (n > 0 && line[n - 1] == '\r') line[--n] = '\0';
    try {
      parser.SetExpr(line);
      std::printf("%.15Lg\n", static_cast<long double>(parser.Eval()));
    } catch (const mu::Parser::exception_type& e) {
      std::printf("ERROR %s\n", e.GetMsg().c_str());
      status = 1;
    }
  }
  std::free(line);
  return status;
}
