// Talks to korvel_simulator over the slave side of its pseudo-terminal with
// plain POSIX calls.
#pragma once

#include <string>
#include <vector>

#include "simulator_process.h"

namespace korvel::test {

class SimulatorLine {
public:
    // Starts the simulator with `args` ("@" at the start of one stands for
    // its scratch folder) and opens its line raw.
    explicit SimulatorLine(const std::vector<std::string>& args = {});
    ~SimulatorLine() { stop(); }
    SimulatorLine(const SimulatorLine&) = delete;
    SimulatorLine& operator=(const SimulatorLine&) = delete;

    bool started() const { return fd_ >= 0; }
    const std::string& slavePath() const { return slavePath_; }
    const std::string& dir() const { return dir_; }

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

    // Closes the line, SIGTERM and wait; returns the exit status, or -1.
    int stop();

private:
    SimulatorProcess process_;
    std::string dir_;
    std::string slavePath_;
    int fd_ = -1;
};

// Reads a whole file; the empty text when it does not exist.
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);

}  // namespace korvel::test
