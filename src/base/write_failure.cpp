#include <cerrno>
#include <string>

#include "base/platform.h"

namespace qelt {

namespace {

// The reasons an engineer meets when a workbook cannot be saved, said the way the user would
// say them; the same words on Windows and Linux so the manual can list them once. Nothing for
// the rare ones, which the system then tells in its own words.
const char* common_reason(int error) {
    switch (error) {
        case 0:
            return "原因不明";
        case ENOENT:
            return "文件夹不存在";
        case ENOTDIR:
            return "文件夹不存在（路径中有一项是文件，不是文件夹）";
        case EACCES:
        case EPERM:
            return "没有写入权限";
        case EROFS:
            return "磁盘或文件夹是只读的";
        case ENOSPC:
            return "磁盘已满";
#ifdef EDQUOT
        case EDQUOT:
            return "超出了磁盘配额";
#endif
        case EFBIG:
            return "文件超出了允许的大小";
        case EISDIR:
            return "已有同名的文件夹";
        case EEXIST:
            return "已有同名的文件";
        case ENAMETOOLONG:
            return "文件名或路径太长";
#ifdef ELOOP
        case ELOOP:
            return "路径中的符号链接太多或成环";
#endif
        case EIO:
            return "磁盘读写出错";
        case EBUSY:
#ifdef ETXTBSY
        case ETXTBSY:
#endif
            return "文件正被其他程序使用";
        case EMFILE:
        case ENFILE:
            return "打开的文件太多";
        case ENOMEM:
            return "内存不足";
        case EXDEV:
            return "不能在两个磁盘之间移动文件";
        case EINVAL:
            return "文件名无效";
        default:
            return nullptr;
    }
}

}  // namespace

std::string write_failure_reason(int error) {
    if (const char* reason = common_reason(error)) return reason;
    return system_error_text(error);
}

}  // namespace qelt
