#include "simulator_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>

namespace korvel::test {
namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

QStringList options(const std::vector<std::string>& args) {
    QStringList out;
    for (const std::string& arg : args) out << QString::fromStdString(arg);
    return out;
}

}  // namespace

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool fileExists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

SimulatorLine::SimulatorLine(const std::vector<std::string>& args)
    : process_(options(args)), dir_(process_.dir().toStdString()),
      slavePath_(process_.port().toStdString()) {
    if (slavePath_.empty()) return;
    fd_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
    if (fd_ < 0) return;
    termios settings;
    tcgetattr(fd_, &settings);
    cfmakeraw(&settings);
    tcsetattr(fd_, TCSANOW, &settings);
}

int SimulatorLine::stop() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    return process_.stop();
}

void SimulatorLine::send(const std::string& bytes) {
    std::size_t sent = 0;
    while (fd_ >= 0 && sent < bytes.size()) {
        const ssize_t n = write(fd_, bytes.data() + sent, bytes.size() - sent);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
}

std::string SimulatorLine::receive(int quietMs, int limitMs) {
    std::string data;
    const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
    while (fd_ >= 0) {
        pollfd p{fd_, POLLIN, 0};
        // After a final result code only a short quiet spell is needed to be sure
        // nothing more follows; the device sends a reply in one piece.
        const bool final = endsWith(data, "\r\nOK\r\n") || endsWith(data, "\r\nERROR\r\n") ||
                           endsWith(data, "\r\nNO\r\n");
        const int wait = std::min(final ? std::min(quietMs, 40) : quietMs, msLeft(end));
        if (wait <= 0 || poll(&p, 1, wait) <= 0) break;
        char buffer[4096];
        const ssize_t n = read(fd_, buffer, sizeof buffer);
        if (n <= 0) break;
        data.append(buffer, static_cast<std::size_t>(n));
    }
    return data;
}

std::string SimulatorLine::receiveBytes(std::size_t n, int limitMs) {
    std::string data;
    const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
    while (fd_ >= 0 && data.size() < n) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, msLeft(end)) <= 0) break;
        char buffer[4096];
        const ssize_t got = read(fd_, buffer, std::min(sizeof buffer, n - data.size()));
        if (got <= 0) break;
        data.append(buffer, static_cast<std::size_t>(got));
    }
    return data;
}

}  // namespace korvel::test
