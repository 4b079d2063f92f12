// SPDX-License-Identifier: MIT
// The system errors a user meets in messages read in Chinese.

#include <gtest/gtest.h>

#include <cerrno>

#include "errortext.h"

namespace tessary::platform {
namespace {

TEST(SystemErrorText, ChineseForFileErrorsSystemTextForTheRest) {
  const struct {
    int Error;
    const char* Want;
  } cases[] = {
      {ENOENT, "文件或文件夹不存在"},
      {EACCES, "没有访问权限"},
      {ENOSPC, "磁盘空间不足"},
      {EROFS, "文件系统是只读的"},
      {EISDIR, "这是一个文件夹"},
      {ENOTDIR, "路径中有一项不是文件夹"},
      {EFBIG, "文件太大"},
      {EMFILE, "程序打开的文件太多"},
      {EIO, "输入/输出错误"},
      {EDOM, "Numerical argument out of domain"},  // no Chinese text: the system's
  };
  for (const auto& c : cases) EXPECT_EQ(SystemErrorText(c.Error), c.Want) << c.Error;
}

}  // namespace
}  // namespace tessary::platform
