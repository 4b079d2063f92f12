// SPDX-License-Identifier: MIT
#include "errortext.h"

#include <cerrno>
#include <system_error>

namespace tessary::platform {

std::string SystemErrorText(int error) {
  switch (error) {
    case ENOENT: return "文件或文件夹不存在";
    case EACCES: return "没有访问权限";
    case EPERM: return "不允许这样操作";
    case ENOSPC: return "磁盘空间不足";
    case EDQUOT: return "超出磁盘配额";
    case EROFS: return "文件系统是只读的";
    case EISDIR: return "这是一个文件夹";
    case ENOTDIR: return "路径中有一项不是文件夹";
    case EFBIG: return "文件太大";
    case EMFILE: return "程序打开的文件太多";
    case ENFILE: return "系统打开的文件太多";
    case EIO: return "输入/输出错误";
    case ENAMETOOLONG: return "文件名太长";
    case EEXIST: return "文件已存在";
    case ELOOP: return "符号链接的层数太多";
    case EBUSY: return "设备或资源正忙";
    case ETXTBSY: return "文件正在使用";
    case ENXIO: return "没有这个设备或地址";
    case ENODEV: return "没有这个设备";
    case ENOMEM: return "内存不足";
    case EAGAIN: return "资源暂时不可用";
    case EINTR: return "操作被中断";
    default: return std::generic_category().message(error);
  }
}

}  // namespace tessary::platform
