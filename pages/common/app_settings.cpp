#include "pages/common/app_settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <cstdio>
#include <memory>
#include <utility>

namespace quillet::pages::settings {
namespace {

std::unique_ptr<QSettings> g_settings;
QString g_testPath;
QStringList g_notices;

QString UserFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/quillet/quillet.conf");
}

void Warn(const QString& text) {
    std::fprintf(stderr, "quillet: %s\n", qUtf8Printable(text));
}

// A file QSettings cannot parse is kept for the user to look at, not overwritten.
void SetDamagedFileAside(const QString& path) {
    const QString aside = path + QStringLiteral(".damaged");
    QFile::remove(aside);
    if (!QFile::rename(path, aside)) {
        QFile::remove(path);
    }
    Warn(QStringLiteral("the settings file %1 could not be read; starting from the defaults "
                        "(the old file is %2)")
             .arg(path, aside));
    g_notices << QCoreApplication::translate("quillet::pages::settings",
                                             "设置文件 %1 已损坏, 无法读取; 程序从默认设置开始"
                                             " (原文件已改名为 %2)。")
                     .arg(path, aside);
}

// QSettings takes almost any bytes as a file of odd keys; a file it wrote itself is UTF-8 text
// without zero bytes, so anything else was damaged (or never a settings file).
bool LooksWritten(const QString& path) {
    QFile f(path);
    if (!f.exists())
        return true;
    constexpr qint64 kMaxBytes = 16 << 20;  // settings are a few kilobytes
    if (f.size() > kMaxBytes || !f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = f.readAll();
    if (bytes.contains('\0'))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8);
    (void)QString(utf8(bytes));
    return !utf8.hasError();
}

QSettings& Settings() {
    if (!g_settings) {
        Open();
    }
    return *g_settings;
}

}  // namespace

void Open() {
    const QString path = g_testPath.isEmpty() ? UserFilePath() : g_testPath;
    QDir().mkpath(QFileInfo(path).absolutePath());
    g_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    if (g_settings->status() != QSettings::NoError || !LooksWritten(path)) {
        g_settings.reset();
        SetDamagedFileAside(path);
        g_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    }
}

QVariant Value(const QString& key, const QVariant& fallback) {
    return Settings().value(key, fallback);
}

void SetValue(const QString& key, const QVariant& value) {
    QSettings& s = Settings();
    s.setValue(key, value);
    s.sync();
    if (s.status() == QSettings::AccessError) {
        Warn(QStringLiteral("the settings file %1 cannot be written").arg(s.fileName()));
    }
}

int IntValue(const QString& key, int fallback, int lowest, int highest) {
    bool ok = false;
    const int v = Value(key).toInt(&ok);
    return ok && v >= lowest && v <= highest ? v : fallback;
}

bool BoolValue(const QString& key, bool fallback) {
    const QVariant v = Value(key);
    const QString text = v.toString().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    return fallback;
}

void Tell(const QString& text) {
    Warn(text);
    g_notices << text;
}

QStringList TakeNotices() {
    return std::exchange(g_notices, {});
}

void UseFileForTest(const QString& path) {
    g_testPath = path;
    g_settings.reset();
    Open();
}

QString FilePath() {
    return Settings().fileName();
}

}  // namespace quillet::pages::settings
