#include "pages/common/failure_cause.h"

#include <QCoreApplication>
#include <cerrno>

namespace quillet::pages {

namespace {

const char* CauseSource(int err) {
    switch (err) {
        case EADDRINUSE:
            return QT_TRANSLATE_NOOP("quillet::pages::FailureCause", "地址或端口已被占用");
        case EADDRNOTAVAIL:
            return QT_TRANSLATE_NOOP("quillet::pages::FailureCause", "本机没有这个地址");
        case ECONNREFUSED:
            return QT_TRANSLATE_NOOP("quillet::pages::FailureCause", "对方拒绝连接");
        case ENETUNREACH:
        case EHOSTUNREACH:
            return QT_TRANSLATE_NOOP("quillet::pages::FailureCause", "没有到对方的路由");
        case ENETDOWN:
            return QT_TRANSLATE_NOOP("quillet::pages::FailureCause", "网络已断开");
        case EACCES:
        case EPERM:
            return QT_TRANSLATE_NOOP("quillet::pages::FailureCause", "权限不够");
        case ENOSPC:
        case EDQUOT:
            return QT_TRANSLATE_NOOP("quillet::pages::FailureCause", "磁盘已满");
        case ETIMEDOUT:
            return QT_TRANSLATE_NOOP("quillet::pages::FailureCause", "连接超时");
        case EMFILE:
        case ENFILE:
            return QT_TRANSLATE_NOOP("quillet::pages::FailureCause", "打开的文件太多");
        case ENOENT:
            return QT_TRANSLATE_NOOP("quillet::pages::FailureCause", "文件或文件夹不存在");
        case ENOTDIR:
        case EISDIR:
            return QT_TRANSLATE_NOOP("quillet::pages::FailureCause", "路径不是文件");
        case EROFS:
            return QT_TRANSLATE_NOOP("quillet::pages::FailureCause", "文件系统只读");
        case EAFNOSUPPORT:
            return QT_TRANSLATE_NOOP("quillet::pages::FailureCause", "本机不支持这种地址");
        case ENAMETOOLONG:
            return QT_TRANSLATE_NOOP("quillet::pages::FailureCause", "文件名太长");
        case EFBIG:
            return QT_TRANSLATE_NOOP("quillet::pages::FailureCause", "文件太大");
        case EAGAIN:
        case ENOBUFS:
        case ENOMEM:
            return QT_TRANSLATE_NOOP("quillet::pages::FailureCause", "系统资源不足");
        case EIO:
            return QT_TRANSLATE_NOOP("quillet::pages::FailureCause", "输入输出错误");
        case ECONNRESET:
            return QT_TRANSLATE_NOOP("quillet::pages::FailureCause", "连接被对方重置");
        default:
            return nullptr;
    }
}

}  // namespace

QString CauseText(int err) {
    if (err == 0)
        return QString();
    if (const char* source = CauseSource(err))
        return QCoreApplication::translate("quillet::pages::FailureCause", source);
    return QCoreApplication::translate("quillet::pages::FailureCause", "系统错误 %1").arg(err);
}

QString WithCause(const QString& text, int err) {
    if (err == 0)
        return text;
    return text + QLatin1Char('\n') +
           QCoreApplication::translate("quillet::pages::FailureCause", "原因: %1")
               .arg(CauseText(err));
}

}  // namespace quillet::pages
