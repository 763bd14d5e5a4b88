// POSIX has no open mode that refuses a file another program holds; the
// nearest stand-in is a non-blocking exclusive advisory lock, which a program
// holding the file with a lock of its own makes fail.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "firmware_files.h"

namespace korvel {

namespace {
class PosixFileProbe : public FileProbe {
public:
    bool canOpen(const QString& path) override {
        const QByteArray name = path.toLocal8Bit();
        const int fd = ::open(name.constData(), O_RDONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return false;
        struct stat st {};
        bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
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
