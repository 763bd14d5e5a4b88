#include "options.h"

#include <cctype>
#include <cstdlib>
#include <string_view>

namespace korvel::sim {
namespace {

bool parseCount(std::string_view text, int min, int& value) {
    if (text.empty() || text.size() > 9) return false;
    int result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        result = result * 10 + (c - '0');
    }
    if (result < min) return false;
    value = result;
    return true;
}

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

}  // namespace

const char* usageText() {
    return "usage: korvel_simulator [options]\n"
           "  --help              print this text and exit\n"
           "  --version           print the simulator's version and exit\n"
           "  --link PATH         symlink PATH to the pseudo-terminal's slave side\n"
           "  --ready-file F      write the slave path to F once the device is ready\n"
           "  --no-echo           start with command echo off\n"
           "  --silent            never answer and never echo\n"
           "  --refuse NAME[#K]   refuse command NAME (only its K-th occurrence with #K)\n"
           "  --short-error       refuse with the 6-byte reply \\r\\nNO\\r\\n\n"
           "  --slow MS           wait MS before every reply\n"
           "  --reply-latency-ms MS  hold back everything sent (replies, echo, ACK/NAK) MS,\n"
           "                      as a USB adapter's latency timer does\n"
           "  --nak-block N       refuse the N-th download block the first time it comes\n"
           "  --baud N            receive at N baud (10 bits a byte), like a real line\n"
           "  --nak-times K       refuse that block K times (default 1)\n"
           "  --nak-period MS     NAK interval while waiting for the first block (default 1000)\n"
           "  --never-nak         download mode never asks for the transfer\n"
           "  --crc               ask for the transfer with 'C' (CRC variant) instead of NAK\n"
           "  --vanish-after N    close the line after N accepted blocks\n"
           "  --vanish-after-lines N  answer N command lines, then close the line\n"
           "  --garbage KIND      answer every command with garbage instead of its reply:\n"
           "                      random (a few random bytes), nul (zero bytes), flood (5000 bytes)\n"
           "  --cut-replies N     send only the first N bytes of every command reply\n"
           "  --log FILE          append every received byte to FILE\n"
           "  --state FILE        load the stored configuration from FILE, save it there\n"
           "  --image-dir DIR     store received images as DIR/image-N.dwl\n"
           "  --restart-ms MS     silence after AT+CFUN=1 (default 1500)\n"
           "  --cgmr TEXT         identification line answered to AT+CGMR\n"
           "  --app-version TEXT  application version answered to AT+ZQVER?\n"
           "  --serial TEXT       serial number before any AT+ZQSNUM=\n";
}

bool parseOptions(int argc, char** argv, Options& out, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&](std::string& target) {
            if (i + 1 >= argc) {
                error = "option " + std::string(arg) + " needs a value";
                return false;
            }
            target = argv[++i];
            return true;
        };
        auto count = [&](int min, int& target) {
            std::string text;
            if (!value(text)) return false;
            if (!parseCount(text, min, target)) {
                error = "option " + std::string(arg) + " needs a number, not '" + text + "'";
                return false;
            }
            return true;
        };
        bool ok = true;
        if (arg == "--help" || arg == "-h") {
            out.showHelp = true;
        } else if (arg == "--version") {
            out.showVersion = true;
        } else if (arg == "--no-echo") {
            out.echo = false;
        } else if (arg == "--silent") {
            out.silent = true;
        } else if (arg == "--short-error") {
            out.shortError = true;
        } else if (arg == "--slow") {
            ok = count(0, out.slowMs);
        } else if (arg == "--reply-latency-ms") {
            ok = count(0, out.replyLatencyMs);
        } else if (arg == "--nak-block") {
            ok = count(1, out.nakBlock);
        } else if (arg == "--baud") {
            ok = count(1, out.baud);
        } else if (arg == "--nak-times") {
            ok = count(1, out.nakTimes);
        } else if (arg == "--nak-period") {
            ok = count(1, out.nakPeriodMs);
        } else if (arg == "--never-nak") {
            out.neverNak = true;
        } else if (arg == "--crc") {
            out.askCrc = true;
        } else if (arg == "--vanish-after") {
            ok = count(1, out.vanishAfter);
        } else if (arg == "--vanish-after-lines") {
            ok = count(1, out.vanishAfterLines);
        } else if (arg == "--cut-replies") {
            ok = count(1, out.cutReplies);
        } else if (arg == "--garbage") {
            std::string kind;
            ok = value(kind);
            if (ok) {
                if (kind == "random") {
                    out.garbage = Garbage::Random;
                } else if (kind == "nul") {
                    out.garbage = Garbage::Nul;
                } else if (kind == "flood") {
                    out.garbage = Garbage::Flood;
                } else {
                    error = "--garbage takes random, nul or flood, not '" + kind + "'";
                    ok = false;
                }
            }
        } else if (arg == "--restart-ms") {
            ok = count(0, out.restartMs);
        } else if (arg == "--log") {
            ok = value(out.logPath);
        } else if (arg == "--state") {
            ok = value(out.statePath);
        } else if (arg == "--image-dir") {
            ok = value(out.imageDir);
        } else if (arg == "--link") {
            ok = value(out.linkPath);
        } else if (arg == "--ready-file") {
            ok = value(out.readyFile);
        } else if (arg == "--cgmr") {
            ok = value(out.cgmr);
        } else if (arg == "--app-version") {
            ok = value(out.version);
        } else if (arg == "--serial") {
            ok = value(out.serial);
        } else if (arg == "--refuse") {
            std::string text;
            ok = value(text);
            if (ok) {
                RefuseRule rule;
                const auto hash = text.find('#');
                rule.name = upper(text.substr(0, hash));
                if (hash != std::string::npos &&
                    !parseCount(std::string_view(text).substr(hash + 1), 1, rule.occurrence)) {
                    error = "bad occurrence in --refuse " + text;
                    ok = false;
                }
                if (ok && rule.name.empty()) {
                    error = "empty command name in --refuse";
                    ok = false;
                }
                if (ok) out.refuse.push_back(rule);
            }
        } else {
            error = "unknown option " + std::string(arg);
            ok = false;
        }
        if (!ok) return false;
    }
    return true;
}

}  // namespace korvel::sim
