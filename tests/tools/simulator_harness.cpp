#include "simulator_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

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

SimulatorProcess::SimulatorProcess(std::vector<std::string> args) {
    char pattern[] = "/tmp/korvel_sim_test_XXXXXX";
    if (mkdtemp(pattern) == nullptr) return;
    dir_ = pattern;
    const std::string ready = dir_ + "/ready";
    for (std::string& arg : args) {
        // "@" stands for the scratch folder, so tests can name files in it.
        if (!arg.empty() && arg[0] == '@') arg = dir_ + arg.substr(1);
    }
    args.insert(args.begin(), {KORVEL_SIMULATOR_PATH, "--ready-file", ready});

    pid_ = fork();
    if (pid_ == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (!fileExists(ready) && Clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    slavePath_ = readFile(ready);
    while (!slavePath_.empty() && slavePath_.back() == '\n') slavePath_.pop_back();
    if (slavePath_.empty()) return;
    fd_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
    if (fd_ < 0) return;
    termios settings;
    tcgetattr(fd_, &settings);
    cfmakeraw(&settings);
    tcsetattr(fd_, TCSANOW, &settings);
}

SimulatorProcess::~SimulatorProcess() {
    stop();
    if (!dir_.empty()) {
        const std::string command = "rm -rf '" + dir_ + "'";
        [[maybe_unused]] const int ignored = system(command.c_str());
    }
}

int SimulatorProcess::stop() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int status = 0;
    const pid_t done = waitpid(pid_, &status, 0);
    pid_ = -1;
    return done > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void SimulatorProcess::send(const std::string& bytes) {
    std::size_t sent = 0;
    while (fd_ >= 0 && sent < bytes.size()) {
        const ssize_t n = write(fd_, bytes.data() + sent, bytes.size() - sent);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
}

std::string SimulatorProcess::receive(int quietMs, int limitMs) {
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

std::string SimulatorProcess::receiveBytes(std::size_t n, int limitMs) {
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
