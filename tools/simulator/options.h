// Command-line options of the device simulator.
#pragma once

#include <string>
#include <vector>

namespace korvel::sim {

// One --refuse rule: the command it matches and which occurrence it refuses.
struct RefuseRule {
    std::string name;    // upper-case, e.g. "AT+ZQSERVER" or "AT+ZQVER?"
    int occurrence = 0;  // 0: every occurrence; K: only the K-th since start
    int seen = 0;        // occurrences counted so far
};

// How --garbage spoils every command reply.
enum class Garbage {
    None,
    Random,  // a few random bytes instead of the reply
    Nul,     // as many zero bytes as the reply had
    Flood,   // 5,000 random bytes instead of the reply
};

struct Options {
    bool showHelp = false;     // --help: print the usage and exit
    bool showVersion = false;  // --version: print the program's version and exit
    bool echo = true;
    bool silent = false;
    bool shortError = false;
    int slowMs = 0;
    int replyLatencyMs = 0;  // everything the device sends is held back this long
    int baud = 0;  // bytes from the program arrive at this line speed (8N1); 0: at once
    int nakBlock = 0;  // 0: no block is refused on purpose
    int nakTimes = 1;  // how many times the block --nak-block names is refused
    int nakPeriodMs = 1000;  // NAK interval while waiting for the first block
    bool neverNak = false;   // download mode never asks for the transfer
    bool askCrc = false;     // asks with 'C' (the CRC variant) instead of NAK
    int vanishAfter = 0;     // close the line after this many blocks; 0: never
    int restartMs = 1500;
    Garbage garbage = Garbage::None;
    int cutReplies = 0;        // every command reply cut to this many bytes; 0: whole
    int vanishAfterLines = 0;  // close the line on the command line after this many; 0: never
    std::vector<RefuseRule> refuse;
    std::string logPath;
    std::string statePath;
    std::string imageDir;
    std::string linkPath;
    std::string readyFile;
    std::string cgmr = "R7.43.0.201001.Q2687RD 2318092 100110 17:10";
    std::string version = "1.0.5";
    std::string serial = "00000000";
};

// Parses argv into `out`. Returns false with a message in `error` on a bad option.
bool parseOptions(int argc, char** argv, Options& out, std::string& error);

// The usage text printed for --help and after a bad option.
const char* usageText();

}  // namespace korvel::sim
