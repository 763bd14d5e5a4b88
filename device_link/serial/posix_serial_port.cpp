#include "device_link/serial/posix_serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#if defined(__linux__)
#include <linux/serial.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <system_error>

#include "device_link/serial/read_deadline.h"

namespace korvel {

namespace {

using std::chrono::nanoseconds;

nanoseconds monotonicNow() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::chrono::seconds(ts.tv_sec) + nanoseconds(ts.tv_nsec);
}

timespec toTimespec(nanoseconds d) {
    if (d < nanoseconds(0)) d = nanoseconds(0);
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(d.count() / 1000000000);
    ts.tv_nsec = static_cast<long>(d.count() % 1000000000);
    return ts;
}

// Waits for `events` on fd for at most `wait` (for ever when empty).
// Returns poll's revents, 0 on time-out, -1 on error; EINTR is retried with
// the time that is left.
int waitFor(int fd, short events, std::optional<nanoseconds> wait) {
    const nanoseconds end = wait ? monotonicNow() + *wait : nanoseconds(0);
    for (;;) {
        pollfd p{fd, events, 0};
        timespec ts{};
        if (wait) ts = toTimespec(end - monotonicNow());
        const int r = ppoll(&p, 1, wait ? &ts : nullptr, nullptr);
        if (r > 0) return p.revents;
        if (r == 0) return 0;
        if (errno != EINTR) return -1;
    }
}

struct SpeedEntry {
    std::uint32_t baud;
    speed_t code;
};

const SpeedEntry kSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},     {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},   {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200}, {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B921600
    {921600, B921600},
#endif
};

std::optional<speed_t> speedCode(std::uint32_t baud) {
    for (const SpeedEntry& e : kSpeeds)
        if (e.baud == baud) return e.code;
    return std::nullopt;
}

std::uint32_t baudOf(speed_t code) {
    for (const SpeedEntry& e : kSpeeds)
        if (e.code == code) return e.baud;
    return 0;
}

std::optional<tcflag_t> sizeFlag(std::uint8_t byteSize) {
    switch (byteSize) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        case 8:
            return CS8;
        default:
            return std::nullopt;
    }
}

// The shortest sleep while the output queue drains.
constexpr nanoseconds kShortestNap = std::chrono::microseconds(100);

// DCB RTS_CONTROL_ENABLE and DTR_CONTROL_ENABLE: what an open terminal does
// when no handshake is on.
constexpr std::uint8_t kLineEnable = 1;

}  // namespace

PosixSerialPort::~PosixSerialPort() { close(); }

void PosixSerialPort::failed(OpenFailure failure, int error) {
    failure_ = failure;
    failureMessage_ = std::generic_category().message(error);
}

namespace {
OpenFailure failureOf(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
            return OpenFailure::Absent;
        case EBUSY:
        case EWOULDBLOCK:
            return OpenFailure::Busy;
        case EACCES:
        case EPERM:
        case EROFS:
            return OpenFailure::PermissionDenied;
        case EISDIR:
        case ENOTTY:
            return OpenFailure::NotSerial;
        default:
            return OpenFailure::Other;
    }
}
}  // namespace

bool PosixSerialPort::open(const std::string& devicePath) {
    failure_ = OpenFailure::Other;
    failureMessage_.clear();
    if (fd_ >= 0 || devicePath.empty()) return false;
    int fd;
    do {
        fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        failed(failureOf(errno), errno);
        return false;
    }
    if (!isatty(fd)) {
        const int error = errno;
        ::close(fd);
        failed(OpenFailure::NotSerial, error);
        return false;
    }
    int locked;
    do {
        locked = flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const int error = errno;
        ::close(fd);
        failed(OpenFailure::Busy, error);
        return false;
    }
    // Keeps out programs that open the terminal without locking it; root
    // is not kept out by this, the lock above covers that case.
    (void)ioctl(fd, TIOCEXCL);
    fd_ = fd;
    failure_ = OpenFailure::None;
    askLowLatency();
    return true;
}

// A USB-serial adapter holds what the device sends until its buffer fills or
// its latency timer (16 ms by default) runs out, so every reply, each XMODEM
// ACK among them, comes that much late.  While the program holds the port it
// asks the driver to hand bytes on at once; close() takes the request back.
// A port without the driver's serial settings (a pseudo-terminal) or one that
// refuses is used as it is.
void PosixSerialPort::askLowLatency() {
#if defined(TIOCGSERIAL) && defined(ASYNC_LOW_LATENCY)
    serial_struct serial{};
    if (ioctl(fd_, TIOCGSERIAL, &serial) != 0 || (serial.flags & ASYNC_LOW_LATENCY)) return;
    serial.flags |= ASYNC_LOW_LATENCY;
    lowLatencySet_ = ioctl(fd_, TIOCSSERIAL, &serial) == 0;
#endif
}

void PosixSerialPort::restoreLatency() {
    if (!lowLatencySet_) return;
    lowLatencySet_ = false;
#if defined(TIOCGSERIAL) && defined(ASYNC_LOW_LATENCY)
    serial_struct serial{};
    if (ioctl(fd_, TIOCGSERIAL, &serial) != 0) return;
    serial.flags &= ~ASYNC_LOW_LATENCY;
    (void)ioctl(fd_, TIOCSSERIAL, &serial);
#endif
}

bool PosixSerialPort::readSettings(LineSettings& settings) {
    if (fd_ < 0) return false;
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0) return false;
    settings = LineSettings{};
    settings.native.resize(sizeof tio);
    std::memcpy(settings.native.data(), &tio, sizeof tio);
    settings.baudRate = baudOf(cfgetospeed(&tio));
    switch (tio.c_cflag & CSIZE) {
        case CS5:
            settings.byteSize = 5;
            break;
        case CS6:
            settings.byteSize = 6;
            break;
        case CS7:
            settings.byteSize = 7;
            break;
        default:
            settings.byteSize = 8;
            break;
    }
    if (tio.c_cflag & PARENB) settings.parity = (tio.c_cflag & PARODD) ? 1 : 2;  // ODD : EVEN
    settings.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 0;  // TWOSTOPBITS : ONESTOPBIT
    const bool handshake = (tio.c_cflag & CRTSCTS) != 0;
    settings.outxCtsFlow = handshake;
    settings.rtsControl = handshake ? std::uint8_t{kRtsControlHandshake} : kLineEnable;
    settings.dtrControl = kLineEnable;
    return true;
}

bool PosixSerialPort::applySettings(const LineSettings& settings) {
    if (fd_ < 0) return false;
    termios tio{};
    if (settings.native.size() == sizeof tio) {
        std::memcpy(&tio, settings.native.data(), sizeof tio);
    } else if (tcgetattr(fd_, &tio) != 0) {
        return false;
    }
    const std::optional<speed_t> speed = speedCode(settings.baudRate);
    const std::optional<tcflag_t> size = sizeFlag(settings.byteSize);
    if (!speed || !size) return false;

    // Raw binary line: no echo, no line editing, no signal characters, no
    // translation of CR and NL either way, no software flow control.
    tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                          ICRNL | IXON | IXOFF | IXANY | INPCK);
    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;

    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= *size | CLOCAL | CREAD;
    switch (settings.parity) {
        case 0:
            break;  // NOPARITY
        case 1:
            tio.c_cflag |= PARENB | PARODD;
            break;  // ODDPARITY
        case 2:
            tio.c_cflag |= PARENB;
            break;  // EVENPARITY
        default:
            return false;  // mark, space: not offered
    }
    if (settings.parity != 0) tio.c_iflag |= INPCK;
    if (settings.stopBits != kOneStopBit) tio.c_cflag |= CSTOPB;
    if (settings.outxCtsFlow || settings.rtsControl == kRtsControlHandshake) tio.c_cflag |= CRTSCTS;
    if (cfsetispeed(&tio, *speed) != 0 || cfsetospeed(&tio, *speed) != 0) return false;
    if (tcsetattr(fd_, TCSANOW, &tio) != 0) return false;
    // Start bit, data bits, parity bit, stop bits.
    const int bits = 1 + settings.byteSize + (settings.parity != 0 ? 1 : 0) +
                     (settings.stopBits != kOneStopBit ? 2 : 1);
    charTime_ = nanoseconds(1000000000LL * bits / settings.baudRate);
    return true;
}

bool PosixSerialPort::setTimeouts(const Timeouts& timeouts) {
    if (fd_ < 0) return false;
    timeouts_ = timeouts;
    return true;
}

bool PosixSerialPort::setQueues(std::uint32_t, std::uint32_t) { return fd_ >= 0; }

bool PosixSerialPort::setDtr(bool up) {
    if (fd_ < 0) return false;
    int bits = TIOCM_DTR;
    if (ioctl(fd_, up ? TIOCMBIS : TIOCMBIC, &bits) == 0) return true;
    return errno == ENOTTY || errno == EINVAL;
}

bool PosixSerialPort::purge() {
    if (fd_ < 0) return false;
    // Both driver queues are emptied; bytes that already left the port belong
    // to the device.  On a pseudo-terminal the output "queue" is the peer's
    // unread input, which a flush would take back from it, so output is
    // flushed only while the driver reports bytes still waiting to go out.
    int queued = 0;
    const bool outputWaiting = ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued > 0;
    return tcflush(fd_, outputWaiting ? TCIOFLUSH : TCIFLUSH) == 0;
}

void PosixSerialPort::setWaitHook(WaitHook hook) {
    waitHook_ = std::move(hook);
    lastServed_ = monotonicNow();
}

void PosixSerialPort::serveWait() {
    if (!waitHook_) return;
    if (monotonicNow() - lastServed_ < std::chrono::milliseconds(kWaitSliceMs)) return;
    waitHook_();
    lastServed_ = monotonicNow();
}

void PosixSerialPort::serveWaitBeforeInput() {
    if (!waitHook_ || monotonicNow() - lastServed_ < std::chrono::milliseconds(kWaitSliceMs)) return;
    if (waitFor(fd_, POLLIN, nanoseconds(0)) == 0) serveWait();
}

std::size_t PosixSerialPort::write(const char* data, std::size_t size) {
    if (fd_ < 0 || size == 0) return 0;
    std::uint64_t totalMs =
        static_cast<std::uint64_t>(timeouts_.writeMultiplier) * size + timeouts_.writeConstant;
    if (totalMs == 0) totalMs = kWriteBoundMs;
    const nanoseconds start = monotonicNow();
    const nanoseconds end = start + std::chrono::milliseconds(std::min<std::uint64_t>(totalMs, 1ull << 40));
    const nanoseconds slice = std::chrono::milliseconds(kWaitSliceMs);

    std::size_t done = 0;
    while (done < size) {
        const ssize_t r = ::write(fd_, data + done, size - done);
        if (r > 0) {
            done += static_cast<std::size_t>(r);
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const nanoseconds left = end - monotonicNow();
            if (left <= nanoseconds(0)) break;
            const int ev = waitFor(fd_, POLLOUT, waitHook_ ? std::min(left, slice) : left);
            if (ev < 0 || (ev & (POLLERR | POLLHUP | POLLNVAL))) break;
            serveWait();
            continue;
        }
        break;  // the device is gone or refuses
    }

    // A byte counts as written once it left the port, as on Windows: wait
    // for the driver's queue to empty within the time-out; what is still
    // queued then (the device holds CTS low) is dropped and not counted.
    for (;;) {
        int queued = 0;
        if (ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued <= 0) break;
        const nanoseconds left = end - monotonicNow();
        if (left <= nanoseconds(0)) {
            tcflush(fd_, TCOFLUSH);
            done -= std::min(done, static_cast<std::size_t>(queued));
            break;
        }
        // The queue empties at the line's pace: sleep about as long as the
        // bytes still queued take to go out, so the wait ends close to the
        // moment the last one left instead of up to a fixed nap later.
        const nanoseconds drain = std::max<nanoseconds>(charTime_ * queued, kShortestNap);
        const timespec nap = toTimespec(std::min(left, drain));
        nanosleep(&nap, nullptr);
        serveWait();
    }
    return done;
}

std::size_t PosixSerialPort::read(char* buffer, std::size_t size) {
    if (fd_ < 0 || size == 0) return 0;
    const nanoseconds start = monotonicNow();
    const nanoseconds slice = std::chrono::milliseconds(kWaitSliceMs);
    nanoseconds lastByte = start;
    ReadProgress progress;
    progress.requested = size;
    for (;;) {
        const nanoseconds now = monotonicNow();
        progress.sinceStart = now - start;
        progress.sinceLastByte = now - lastByte;
        const std::optional<nanoseconds> wait = nextReadWait(timeouts_, progress);
        if (!wait) break;
        // With a wait hook the wait is cut into slices; the rules above are
        // asked again after each, so the read still ends when they say.
        // The time the device takes to answer is the window's: served
        // before the wait rather than after the bytes.
        serveWaitBeforeInput();
        const bool sliced = waitHook_ && *wait > slice;
        const int ev = waitFor(fd_, POLLIN, sliced ? slice : *wait);
        if (ev == 0 && sliced) {
            serveWait();
            continue;
        }
        if (ev <= 0) break;  // nothing came within the wait
        if (ev & POLLIN) {
            const ssize_t r = ::read(fd_, buffer + progress.received, size - progress.received);
            if (r > 0) {
                progress.received += static_cast<std::size_t>(r);
                lastByte = monotonicNow();
                serveWait();
                continue;
            }
            if (r < 0 && (errno == EINTR || errno == EAGAIN) &&
                !(ev & (POLLERR | POLLHUP | POLLNVAL)))
                continue;
            break;  // end of file or EIO: the device went away
        }
        break;  // POLLHUP, POLLERR or POLLNVAL without data
    }
    return progress.received;
}

void PosixSerialPort::close() {
    if (fd_ < 0) return;
    // The exclusive mode belongs to the terminal, not to this descriptor: if
    // anyone else keeps the terminal open it would outlive us and refuse the
    // next opening.
    restoreLatency();
    (void)ioctl(fd_, TIOCNXCL);
    (void)flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

std::unique_ptr<SerialPortFactory> makeSystemSerialPortFactory() {
    class Factory : public SerialPortFactory {
    public:
        std::unique_ptr<SerialPort> create() override {
            return std::make_unique<PosixSerialPort>();
        }
    };
    return std::make_unique<Factory>();
}

}  // namespace korvel
