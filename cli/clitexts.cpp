// SPDX-License-Identifier: MIT
#include "clitexts.h"

#include <array>
#include <cstdlib>

namespace tessary::cli {

namespace {

struct TTextRow {
  TCliText Id;
  const char* English;
  const char* Chinese;
};

constexpr auto kTexts = std::to_array<TTextRow>({
    {TCliText::Usage,
     R"(Usage: tessary-calc [OPTION]...
  or:  tessary-calc [--vars=FILE] [--var=NAME=VALUE]... [--log] [--utf8|--cp936]
                    WORKSHEET
  or:  tessary-calc --plot=EXPR [--from=A] [--to=B] --output=FILE [WORKSHEET]
Evaluate formulas with the Tessary formula engine, or calculate a worksheet.

  -e, --expression=EXPR    evaluate the expression EXPR
  -f, --expressions=FILE   evaluate each line of FILE as one expression;
                           FILE '-' is standard input
      --convention=RULES   calculate by RULES: classic (the default: 2^3^2=64,
                           -2^2=4, results within about 1E38) or standard (the
                           textbook's: 2^3^2=512, -2^2=-4, 0^0=1, the full
                           80-bit range, a name may be assigned again); it
                           overrides a worksheet's "// 约定：标准" line
  -h, --help               display this help and exit
      --version            output version information and exit

-e and -f may be repeated and mixed; they are processed in the order given,
by one engine. Each expression prints one line: its value (15 significant
digits), or "ERROR <code> <message>". Every line of a file counts, blank
ones included, so output line N answers input line N. Input and output are
UTF-8.

Without options, a terminal on standard input gets an interactive prompt
(leave it with quit, exit or Ctrl+D); otherwise standard input is read as
with -f -.

Plots:
      --plot=EXPR          draw EXPR, a formula of x, as an SVG picture; the
                           names of a WORKSHEET, --vars and --var may be used
      --from=A, --to=B     the range of x (formulas; default -10 and 10)
  -o, --output=FILE        the SVG file to write
      --width=W, --height=H  the picture's size in pixels (default 640, 400)

Worksheets:
  WORKSHEET                a worksheet file as the window saves it, calculated
                           as its Calculate does ('-': standard input); its
                           variables come from the file beside it with the
                           extension .vle, when there is one
      --vars=FILE          take the variables from FILE instead ('-': standard
                           input)
      --var=NAME=VALUE     add the variable row NAME=VALUE after those of the
                           file; may be repeated
      --log                also print the normalised and the evaluated
                           formula of every statement
      --utf8               read the worksheet and variable files as UTF-8
      --cp936              read them as code page 936 (GBK)
                           Without either, each file is read as UTF-8 when it
                           starts with a byte order mark or is valid UTF-8
                           with characters beyond ASCII, else as code page 936

In a worksheet, full-width letters, brackets, signs, digits and spaces typed
by a Chinese input method count as their ASCII forms, outside comments and
string literals. "°" after a number, a name or a bracket means degrees:
SIN(30°) is 0.5.

A worksheet prints its result lines. Messages, and every statement whose
evaluation failed, go to standard error. A worksheet cannot be combined with
-e or -f.

Exit status: 0 if every expression or statement evaluated without error, 1
if any of them recorded an error or a name was assigned twice, 2 for a usage
error or a file that cannot be read (a variable file with a key twice
included).
)",
     R"(用法：tessary-calc [选项]...
  或：tessary-calc [--vars=文件] [--var=名称=数值]... [--log] [--utf8|--cp936]
                   工作表
  或：tessary-calc --plot=公式 [--from=A] [--to=B] --output=文件 [工作表]
用 Tessary 公式引擎计算公式，或者计算一个工作表。

  -e, --expression=公式    计算公式
  -f, --expressions=文件   把文件的每一行当作一个公式计算；
                           文件为“-”时读标准输入
      --convention=约定    按约定计算：classic（经典，默认：2^3^2=64，-2^2=4，
                           结果在约 1E38 以内）或 standard（标准，即课本的规则：
                           2^3^2=512，-2^2=-4，0^0=1，80 位实数的全部范围，
                           名称可以再次赋值）；优先于工作表的“// 约定：标准”行
  -h, --help               显示此帮助并退出
      --version            显示版本信息并退出

-e 和 -f 可以重复、混用，由同一个引擎按给出的顺序处理。每个公式输出一行：
它的值（15 位有效数字），或者“ERROR <代码> <说明>”。文件的每一行都算数，
空行也算，所以输出的第 N 行回答输入的第 N 行。输入和输出都是 UTF-8。

不带选项时，如果标准输入是终端，就进入交互提示符（用 quit、exit 或
Ctrl+D 退出）；否则像 -f - 那样读标准输入。

绘图：
      --plot=公式          把含 x 的公式画成 SVG 图；可以使用工作表、--vars
                           和 --var 中的名称
      --from=A, --to=B     x 的范围（可以是公式；默认 -10 和 10）
  -o, --output=文件        写入的 SVG 文件
      --width=W, --height=H  图的大小，以像素计（默认 640、400）

工作表：
  工作表                   窗口保存的工作表文件，按窗口的“计算”命令计算
                           （“-”：标准输入）；变量取自旁边扩展名为 .vle
                           的同名文件（如果有）
      --vars=文件          改从该文件取变量（“-”：标准输入）
      --var=名称=数值      在文件的变量之后添加一行变量“名称=数值”；
                           可以重复
      --log                同时输出每个语句规范化后和代入后的公式
      --utf8               按 UTF-8 读工作表和变量文件
      --cp936              按代码页 936（GBK）读它们
                           两者都不给时，文件以字节顺序标记开头、或者是含有
                           非 ASCII 字符的有效 UTF-8，就按 UTF-8 读，否则
                           按代码页 936 读

工作表里用中文输入法输入的全角字母、括号、符号、数字和空格，在注释和字符串
之外都按对应的 ASCII 字符计算。数字、名称或右括号后面的“°”表示角度：
SIN(30°) 等于 0.5。

工作表输出它的结果行。提示信息以及每个计算出错的语句都写到标准错误。
工作表不能和 -e 或 -f 一起使用。

退出状态：每个公式或语句都计算无误时为 0；有错误，或者一个名称被赋值两次
时为 1；用法错误或文件无法读取（包括变量文件里有重复的名称）时为 2。
)"},
    {TCliText::TryHelp, "Try 'tessary-calc --help' for more information.",
     "请用“tessary-calc --help”查看更多信息。"},
    {TCliText::VarsNeedsFile, "option '--vars' requires a file name", "选项“--vars”需要一个文件名"},
    {TCliText::VarNeedsNameValue, "option '--var' needs NAME=VALUE, not '%s'",
     "选项“--var”需要“名称=数值”，而不是“%s”"},
    {TCliText::UnexpectedArgument,
     "unexpected argument '%s' (one worksheet at a time; use -e EXPR for an expression)",
     "多余的参数“%s”（一次只能计算一个工作表；公式请用 -e 公式）"},
    {TCliText::NeedsWorksheet, "--vars, --var, --log, --utf8 and --cp936 need a worksheet",
     "--vars、--var、--log、--utf8 和 --cp936 需要一个工作表"},
    {TCliText::Utf8AndCp936, "--utf8 and --cp936 exclude each other",
     "--utf8 和 --cp936 不能同时使用"},
    {TCliText::WorksheetWithInputs, "a worksheet cannot be combined with -e or -f",
     "工作表不能和 -e 或 -f 一起使用"},
    {TCliText::BothStandardInput, "the worksheet and --vars cannot both be standard input",
     "工作表和 --vars 不能都是标准输入"},
    {TCliText::NoArgumentAllowed, "option '--%s' doesn't allow an argument",
     "选项“--%s”不接受参数"},
    {TCliText::RequiresArgument, "option '--%s' requires an argument", "选项“--%s”需要一个参数"},
    {TCliText::UnrecognizedOption, "unrecognized option '%s'", "无法识别的选项“%s”"},
    {TCliText::InvalidShortOption, "invalid option -- '%s'", "无效的选项 -- “%s”"},
    {TCliText::ShortRequiresArgument, "option requires an argument -- '%s'",
     "选项需要一个参数 -- “%s”"},
    {TCliText::OutOfMemory, "out of memory", "内存不足"},
    {TCliText::WriteError, "write error", "写入错误"},
    {TCliText::PlotWithInputs, "--plot cannot be combined with -e or -f",
     "--plot 不能和 -e 或 -f 一起使用"},
    {TCliText::PlotNeedsOutput, "--plot needs --output=FILE.svg", "--plot 需要 --output=文件.svg"},
    {TCliText::PlotOptionAlone, "--from, --to, --output, --width and --height need --plot",
     "--from、--to、--output、--width 和 --height 需要 --plot"},
    {TCliText::ConventionValue, "option '--convention' takes classic or standard, not '%s'",
     "选项“--convention”只能是 classic 或 standard，而不是“%s”"},
});

TCliLanguage gLanguage = TCliLanguage::English;

}  // namespace

TCliLanguage LanguageFromEnvironment() {
  // The first of these that is set and not empty decides, as for gettext.
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    return std::string_view(value).starts_with("zh") ? TCliLanguage::Chinese
                                                     : TCliLanguage::English;
  }
  return TCliLanguage::English;
}

void SetCliLanguage(TCliLanguage language) { gLanguage = language; }

std::string CliText(TCliText id, std::string_view arg) {
  for (const TTextRow& row : kTexts) {
    if (row.Id != id) continue;
    std::string text = gLanguage == TCliLanguage::Chinese ? row.Chinese : row.English;
    if (const std::size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, arg);
    return text;
  }
  return {};
}

}  // namespace tessary::cli
