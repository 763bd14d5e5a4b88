// korvel_simulator: plays the KORVEL communicator on the master side of a
// pseudo-terminal. The configurator opens the slave side like a serial port.
//
// The program is a single-threaded poll loop over the master descriptor and a
// self-pipe for SIGTERM/SIGINT; the timers of the device (lone "\r", restart silence,
// download NAKs and time-outs, delayed replies) become the poll time-out.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

#include "communicator.h"
#include "files.h"
#include "options.h"

namespace korvel::sim {
namespace {

int gSignalPipe[2] = {-1, -1};

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(gSignalPipe[1], &byte, 1);
    errno = saved;
}

// Replies wait here until they are due; each entry goes out in one write.
// A USB adapter's latency timer holds back whatever the device sent by the
// same time (--reply-latency-ms).
class OutputQueue : public Output {
public:
    explicit OutputQueue(std::chrono::milliseconds latency) : latency_(latency) {}

    void send(std::string bytes, std::chrono::milliseconds delay) override {
        if (bytes.empty()) return;
        TimePoint due = SteadyClock::now() + delay + latency_;
        if (!entries_.empty()) due = std::max(due, entries_.back().due);
        entries_.push_back({due, std::move(bytes)});
    }

    bool ready(TimePoint now) const { return !entries_.empty() && entries_.front().due <= now; }

    std::optional<TimePoint> deadline() const {
        if (entries_.empty()) return std::nullopt;
        return entries_.front().due;
    }

    // Writes every due entry it can; false on a fatal write error.
    bool flush(int fd, TimePoint now) {
        while (ready(now)) {
            std::string& bytes = entries_.front().bytes;
            const ssize_t n = write(fd, bytes.data(), bytes.size());
            if (n < 0) {
                if (errno == EINTR) continue;
                return errno == EAGAIN || errno == EWOULDBLOCK;
            }
            bytes.erase(0, static_cast<std::size_t>(n));
            if (!bytes.empty()) return true;  // the line is full; wait for POLLOUT
            entries_.pop_front();
        }
        return true;
    }

private:
    struct Entry {
        TimePoint due;
        std::string bytes;
    };
    std::chrono::milliseconds latency_;
    std::deque<Entry> entries_;
};

// What the program sends reaches the device no faster than the line carries
// it: each chunk is handed on once its last byte would have arrived.
class InboundLine {
public:
    explicit InboundLine(int baud) : baud_(baud) {}
    bool paced() const { return baud_ > 0; }
    void push(const std::uint8_t* data, std::size_t size, TimePoint now) {
        const auto bits = std::chrono::microseconds(static_cast<long long>(size) * 10 * 1000000 / baud_);
        free_ = std::max(free_, now) + std::chrono::duration_cast<SteadyClock::duration>(bits);
        entries_.push_back({free_, std::string(reinterpret_cast<const char*>(data), size)});
    }
    template <class Deliver>
    void deliver(TimePoint now, Deliver&& to) {
        while (!entries_.empty() && entries_.front().due <= now) {
            to(entries_.front().bytes);
            entries_.pop_front();
        }
    }
    std::optional<TimePoint> deadline() const {
        if (entries_.empty()) return std::nullopt;
        return entries_.front().due;
    }

private:
    struct Entry {
        TimePoint due;
        std::string bytes;
    };
    int baud_;
    TimePoint free_{};
    std::deque<Entry> entries_;
};

struct Terminal {
    int master = -1;
    int slave = -1;  // held open so the line never hangs up and keeps its settings
    std::string slavePath;
};

bool openTerminal(Terminal& terminal) {
    terminal.master = posix_openpt(O_RDWR | O_NOCTTY);
    if (terminal.master < 0 || grantpt(terminal.master) != 0 || unlockpt(terminal.master) != 0) {
        std::perror("korvel_simulator: pseudo-terminal");
        return false;
    }
    const char* name = ptsname(terminal.master);
    if (name == nullptr) {
        std::perror("korvel_simulator: ptsname");
        return false;
    }
    terminal.slavePath = name;
    terminal.slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal.slave < 0) {
        std::perror("korvel_simulator: open slave");
        return false;
    }
    termios settings;
    if (tcgetattr(terminal.slave, &settings) != 0) {
        std::perror("korvel_simulator: tcgetattr");
        return false;
    }
    cfmakeraw(&settings);
    cfsetispeed(&settings, B115200);
    cfsetospeed(&settings, B115200);
    if (tcsetattr(terminal.slave, TCSANOW, &settings) != 0) {
        std::perror("korvel_simulator: tcsetattr");
        return false;
    }
    const int flags = fcntl(terminal.master, F_GETFL);
    fcntl(terminal.master, F_SETFL, flags | O_NONBLOCK);
    fcntl(terminal.master, F_SETFD, FD_CLOEXEC);
    return true;
}

bool createLink(const std::string& link, const std::string& target) {
    struct stat info;
    if (lstat(link.c_str(), &info) == 0) {
        if (!S_ISLNK(info.st_mode)) {
            std::fprintf(stderr, "korvel_simulator: %s exists and is not a symlink\n",
                         link.c_str());
            return false;
        }
        unlink(link.c_str());
    }
    if (symlink(target.c_str(), link.c_str()) != 0) {
        std::perror("korvel_simulator: symlink");
        return false;
    }
    return true;
}

void removeLink(const std::string& link, const std::string& target) {
    char buffer[4096];
    const ssize_t n = readlink(link.c_str(), buffer, sizeof buffer - 1);
    if (n < 0) return;
    buffer[n] = '\0';
    if (target == buffer) unlink(link.c_str());  // only our own link
}

bool installSignals() {
    if (pipe(gSignalPipe) != 0) return false;
    for (int fd : gSignalPipe) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return true;
}

int pollTimeout(std::optional<TimePoint> deadline, TimePoint now) {
    if (!deadline) return -1;
    if (*deadline <= now) return 0;
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - now).count() + 1;
    return static_cast<int>(std::min<long long>(ms, 60000));
}

int run(Options& options) {
    if (!installSignals()) {
        std::perror("korvel_simulator: signals");
        return 1;
    }
    Terminal terminal;
    if (!openTerminal(terminal)) return 1;

    int logFd = -1;
    if (!options.logPath.empty()) {
        logFd = open(options.logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (logFd < 0) {
            std::perror("korvel_simulator: log file");
            return 1;
        }
    }
    if (!options.linkPath.empty() && !createLink(options.linkPath, terminal.slavePath)) return 1;

    OutputQueue output{std::chrono::milliseconds(options.replyLatencyMs)};
    Communicator device(options, output, SteadyClock::now());
    InboundLine inbound(options.baud);

    std::printf("PORT %s\n", terminal.slavePath.c_str());
    std::fflush(stdout);
    if (!options.readyFile.empty() &&
        !writeFileAtomically(options.readyFile, terminal.slavePath + "\n")) {
        std::fprintf(stderr, "korvel_simulator: can't write %s\n", options.readyFile.c_str());
    }

    int status = 0;
    while (true) {
        const TimePoint now = SteadyClock::now();
        std::optional<TimePoint> deadline = device.deadline();
        if (const auto due = output.deadline(); due && (!deadline || *due < *deadline)) {
            deadline = due;
        }
        if (const auto due = inbound.deadline(); due && (!deadline || *due < *deadline)) {
            deadline = due;
        }
        pollfd fds[2] = {{terminal.master, POLLIN, 0}, {gSignalPipe[0], POLLIN, 0}};
        if (output.ready(now)) fds[0].events |= POLLOUT;
        const int ready = poll(fds, 2, pollTimeout(deadline, now));
        if (ready < 0 && errno != EINTR) {
            std::perror("korvel_simulator: poll");
            status = 1;
            break;
        }
        if (fds[1].revents & POLLIN) break;  // SIGTERM or SIGINT
        if (fds[0].revents & POLLIN) {
            std::uint8_t buffer[4096];
            const ssize_t n = read(terminal.master, buffer, sizeof buffer);
            if (n > 0) {
                if (logFd >= 0) {
                    [[maybe_unused]] const ssize_t logged =
                        write(logFd, buffer, static_cast<std::size_t>(n));
                }
                if (inbound.paced())
                    inbound.push(buffer, static_cast<std::size_t>(n), SteadyClock::now());
                else
                    device.receive(buffer, static_cast<std::size_t>(n), SteadyClock::now());
            }
        }
        inbound.deliver(SteadyClock::now(), [&](const std::string& bytes) {
            device.receive(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                           SteadyClock::now());
        });
        device.tick(SteadyClock::now());
        if (device.vanished()) {
            std::fprintf(stderr, "korvel_simulator: vanished from the line\n");
            break;
        }
        if (!output.flush(terminal.master, SteadyClock::now())) {
            std::perror("korvel_simulator: write");
            status = 1;
            break;
        }
    }

    if (!options.linkPath.empty()) removeLink(options.linkPath, terminal.slavePath);
    if (logFd >= 0) close(logFd);
    close(terminal.slave);
    close(terminal.master);
    return status;
}

}  // namespace
}  // namespace korvel::sim

int main(int argc, char** argv) {
    korvel::sim::Options options;
    std::string error;
    if (!korvel::sim::parseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "korvel_simulator: %s\n%s", error.c_str(), korvel::sim::usageText());
        return 2;
    }
    if (options.showHelp) {
        std::fputs(korvel::sim::usageText(), stdout);
        return 0;
    }
    if (options.showVersion) {
        std::printf("korvel-simulator %s\n", KORVEL_VERSION);
        return 0;
    }
    return korvel::sim::run(options);
}
