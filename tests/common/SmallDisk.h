#pragma once
// A small file system of the test's own, so writes can meet a full disk as a user's
// would: a tmpfs mounted over a folder inside a private mount namespace (with a private
// user namespace where the test is not root), so nothing outside the test process sees
// it. Make it first thing in main, while the process still has a single thread; where
// the kernel does not allow it, Ready() is false and Why() says why (tests then skip).
// Fill() then takes every free block, leaving only the room that files already have in
// their last block, as on a disk that has just run full.

#include <QDir>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vtest {

class SmallDisk {
public:
    SmallDisk(const QString& folder, const char* size) : folder_(folder) {
        const uid_t uid = ::getuid();
        const gid_t gid = ::getgid();
        // As root a mount namespace is enough; otherwise (or where root may not) a user
        // namespace maps the test's own user to root inside it.
        bool entered = uid == 0 && ::unshare(CLONE_NEWNS) == 0;
        if (!entered) {
            if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
                why_ =
                    QStringLiteral("no private mount namespace: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
                return;
            }
            if (!WriteProc("/proc/self/setgroups", "deny") ||
                !WriteProc("/proc/self/uid_map", QStringLiteral("0 %1 1").arg(uid).toLatin1()) ||
                !WriteProc("/proc/self/gid_map", QStringLiteral("0 %1 1").arg(gid).toLatin1())) {
                why_ = QStringLiteral("cannot map the user into its namespace");
                return;
            }
        }
        // Nothing mounted here may reach the rest of the machine.
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            why_ =
                QStringLiteral("cannot make the mounts private: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        QDir().mkpath(folder_);
        const QByteArray options = QByteArray("size=") + size + ",mode=0700";
        if (::mount("tmpfs", QFile::encodeName(folder_).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    options.constData()) != 0) {
            why_ = QStringLiteral("cannot mount a tmpfs: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        ready_ = true;
    }
    ~SmallDisk() {
        // So the test's temporary folder can be removed after it.
        if (ready_) ::umount2(QFile::encodeName(folder_).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Ready() const { return ready_; }
    QString Why() const { return why_; }

    // Writes a filler file until the file system has no free block; returns its path.
    QString Fill() const {
        const QString path = folder_ + QStringLiteral("/filler");
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (fd < 0) return path;
        static const char block[4096] = {};
        for (size_t chunk : {sizeof block, size_t(512), size_t(1)})
            while (::write(fd, block, chunk) == ssize_t(chunk)) {
            }
        ::close(fd);
        return path;
    }
    // Gives the filler's room back.
    void Free() const { QFile::remove(folder_ + QStringLiteral("/filler")); }

private:
    static bool WriteProc(const char* file, const QByteArray& text) {
        const int fd = ::open(file, O_WRONLY);
        if (fd < 0) return false;
        const bool ok = ::write(fd, text.constData(), size_t(text.size())) == ssize_t(text.size());
        ::close(fd);
        return ok;
    }

    QString folder_;
    QString why_;
    bool ready_ = false;
};

}  // namespace vtest
