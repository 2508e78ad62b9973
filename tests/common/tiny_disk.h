#pragma once
// A 64 KiB tmpfs mounted for one test, to fill a disk without touching the machine's own.
// Mounting needs root (CI runs as root); elsewhere Mount() fails and the test skips.
// Header only, for test targets that link QtCore.
#include <sys/mount.h>

#include <QDir>
#include <QString>

namespace quillet::test {

class TinyDisk {
public:
    // The mount point `name` inside `parent` (created here).
    TinyDisk(const QString& parent, const QString& name) : m_at(parent + QLatin1Char('/') + name) {}
    ~TinyDisk() {
        if (m_mounted)
            umount2(m_at.toLocal8Bit().constData(), MNT_DETACH);
    }
    TinyDisk(const TinyDisk&) = delete;
    TinyDisk& operator=(const TinyDisk&) = delete;

    // 0, or the errno of the failed mount.
    int Mount() {
        if (!QDir().mkpath(m_at))
            return ENOENT;
        m_mounted = mount("tmpfs", m_at.toLocal8Bit().constData(), "tmpfs", 0, "size=64k") == 0;
        return m_mounted ? 0 : errno;
    }
    QString Path() const { return m_at; }

private:
    QString m_at;
    bool m_mounted = false;
};

}  // namespace quillet::test
