// POSIX has no open mode that refuses a file another program holds.  The probe
// asks for a shared advisory lock without waiting: it fails only while
// another program holds an exclusive lock (one that is writing the file), so
// any number of readers, this program's own threads and processes among
// them, never exclude each other.  A file system without working locks (a
// network folder mounted without a lock service) says so with an error other
// than "would block", and the file then counts as present: the lock was only
// ever a test for a writer.
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "production/firmware_files.h"

namespace korvel {

namespace {
class PosixFileProbe : public FileProbe {
public:
    bool canOpen(const QString& path) override {
        const QByteArray name = path.toLocal8Bit();
        const int fd = ::open(name.constData(), O_RDONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return false;
        struct stat st {};
        bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
        if (ok && ::flock(fd, LOCK_SH | LOCK_NB) != 0) ok = errno != EWOULDBLOCK;
        ::close(fd);
        return ok;
    }
};
}  // namespace

FileProbe& systemFileProbe() {
    static PosixFileProbe probe;
    return probe;
}

}  // namespace korvel
