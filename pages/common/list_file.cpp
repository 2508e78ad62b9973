#include "pages/common/list_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>

namespace quillet::pages {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("quillet::pages::ListFile", text);
}

}  // namespace

std::variant<QByteArray, QString> ReadListFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile())
        return Tr("不是可读的普通文件");
    if (info.size() > kMaxListFileBytes)
        return Tr("文件大于 16 MB");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    QByteArray bytes = file.read(kMaxListFileBytes + 1);
    if (bytes.size() > kMaxListFileBytes)  // it grew since the look
        return Tr("文件大于 16 MB");
    return bytes;
}

QString WriteListFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return {};
}

std::variant<QJsonObject, QString> ParseListDocument(const QByteArray& bytes) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return Tr("不是有效的 JSON（第 %1 字节：%2）").arg(error.offset).arg(error.errorString());
    if (!document.isObject())
        return Tr("不是 JSON 对象");
    return document.object();
}

}  // namespace quillet::pages
