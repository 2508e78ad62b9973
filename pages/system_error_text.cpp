#include "pages/system_error_text.h"

#include <QCoreApplication>

#include <cerrno>

namespace quillet::pages {

namespace {

const char* CauseOf(int error) {
    switch (error) {
        case ENOSPC:
            return QT_TRANSLATE_NOOP("quillet::pages::SystemError", "磁盘空间不足");
        case EDQUOT:
            return QT_TRANSLATE_NOOP("quillet::pages::SystemError", "超出磁盘配额");
        case EACCES:
        case EPERM:
            return QT_TRANSLATE_NOOP("quillet::pages::SystemError", "没有权限");
        case EROFS:
            return QT_TRANSLATE_NOOP("quillet::pages::SystemError", "文件系统是只读的");
        case ENOENT:
        case ENOTDIR:
            return QT_TRANSLATE_NOOP("quillet::pages::SystemError", "文件或文件夹不存在");
        case EISDIR:
            return QT_TRANSLATE_NOOP("quillet::pages::SystemError", "这是一个文件夹");
        case ENAMETOOLONG:
            return QT_TRANSLATE_NOOP("quillet::pages::SystemError", "文件名太长");
        case EFBIG:
            return QT_TRANSLATE_NOOP("quillet::pages::SystemError", "文件太大");
        case EIO:
            return QT_TRANSLATE_NOOP("quillet::pages::SystemError", "读写设备出错");
        case EMFILE:
        case ENFILE:
            return QT_TRANSLATE_NOOP("quillet::pages::SystemError", "打开的文件太多");
        case EAGAIN:
        case ENOMEM:
            return QT_TRANSLATE_NOOP("quillet::pages::SystemError", "系统资源不足");
        default:
            return nullptr;
    }
}

}  // namespace

QString SystemErrorText(int error) {
    if (const char* cause = CauseOf(error))
        return QCoreApplication::translate("quillet::pages::SystemError", cause);
    return QCoreApplication::translate("quillet::pages::SystemError", "系统错误 %1").arg(error);
}

}  // namespace quillet::pages
