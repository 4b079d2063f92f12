// SPDX-License-Identifier: MIT
#include "definitions.h"

#include <algorithm>

#include "statementsource.h"
#include "textutil.h"

namespace tessary {

namespace {

std::string Quoted(std::string_view name) { return "“" + std::string(name) + "”"; }

bool IsKey(const TKeyValueTable& table, std::string_view name) {
  for (std::size_t row = 0; row < table.Count(); ++row)
    if (EqualIgnoringAsciiCase(table.TrimmedKey(row), name)) return true;
  return false;
}

}  // namespace

std::optional<TDefinitionHead> ReadDefinitionHead(std::string_view nameText) {
  const std::string_view head = Trim(nameText);
  const std::size_t open = head.find('(');
  if (open == std::string_view::npos) return std::nullopt;
  TDefinitionHead result;
  result.Name = Trim(head.substr(0, open));
  std::string_view params = head.substr(open + 1);
  if (!params.ends_with(')')) {
    result.Params.push_back(std::string(params));  // refused: not a parameter list
    return result;
  }
  params.remove_suffix(1);
  if (Trim(params).empty()) return result;
  for (;;) {
    const std::size_t comma = params.find(',');
    result.Params.emplace_back(Trim(params.substr(0, comma)));
    if (comma == std::string_view::npos) break;
    params.remove_prefix(comma + 1);
  }
  return result;
}

std::string DefinitionRefusal(std::string_view nameText, const TDefinitionHead& head,
                              const TFormulaParser& engine, const TKeyValueTable& variables,
                              const TKeyValueTable& namedResults) {
  if (!IsName(head.Name))
    return "函数名" + Quoted(head.Name) +
           "无效：名称以字母或汉字开头，只含字母、汉字、数字和下划线";
  if (engine.IsBuiltin(head.Name)) return "函数名" + Quoted(head.Name) + "是内置的函数或常量";
  if (IsKey(variables, head.Name) || IsKey(namedResults, head.Name))
    return "函数名" + Quoted(head.Name) + "已是变量的名称";
  for (std::size_t i = 0; i < head.Params.size(); ++i) {
    const std::string& p = head.Params[i];
    if (!IsName(p))
      return "函数定义" + Quoted(Trim(nameText)) + "的参数" + Quoted(p) +
             "无效：写法是 名称(参数, …)=表达式";
    for (std::size_t j = 0; j < i; ++j)
      if (EqualIgnoringAsciiCase(head.Params[j], p)) return "参数" + Quoted(p) + "重复";
  }
  return {};
}

TKeyValueTable WithoutParameters(const TKeyValueTable& table,
                                 const std::vector<std::string>& params) {
  TKeyValueTable kept;
  for (std::size_t row = 0; row < table.Count(); ++row) {
    const std::string_view key = table.TrimmedKey(row);
    if (std::none_of(params.begin(), params.end(),
                     [key](const std::string& p) { return EqualIgnoringAsciiCase(p, key); }))
      kept.AppendRow(table.Row(row));
  }
  return kept;
}

}  // namespace tessary
