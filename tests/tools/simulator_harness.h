// Runs korvel_simulator as a child process and talks to it over the slave side of
// its pseudo-terminal with plain POSIX calls.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace korvel::test {

class SimulatorProcess {
public:
    // Starts the simulator with `args` (plus --ready-file) and opens its line raw.
    explicit SimulatorProcess(std::vector<std::string> args = {});
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    bool started() const { return fd_ >= 0; }
    const std::string& slavePath() const { return slavePath_; }
    const std::string& dir() const { return dir_; }  // a fresh scratch folder

    void send(const std::string& bytes);
    // Everything that arrives until the line has been quiet for quietMs (40 ms once a
    // final result code has come).
    std::string receive(int quietMs = 150, int limitMs = 3000);
    // Sends a command and returns the complete answer (echo included).
    std::string command(const std::string& bytes) {
        send(bytes);
        return receive();
    }
    // Reads exactly n bytes or fewer when limitMs passes.
    std::string receiveBytes(std::size_t n, int limitMs);

    // SIGTERM and wait; returns the exit status, or -1.
    int stop();

private:
    std::string dir_;
    std::string slavePath_;
    pid_t pid_ = -1;
    int fd_ = -1;
};

// Reads a whole file; the empty text when it does not exist.
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);

}  // namespace korvel::test
