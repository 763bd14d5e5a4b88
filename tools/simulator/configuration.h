// The communicator's configuration as the device stores it, with the argument
// syntax of its AT+ZQxxx= set commands and the line layout of its query replies.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace korvel::sim {

struct ServerRow {
    bool used = false;
    std::string tel, ip, port, description;
};

struct InstrumentRow {
    char typeCode = '0';
    std::string address = "0";
};

struct AlarmRow {
    bool used = false;
    std::string tel;
};

struct Configuration {
    std::string pin;  // up to 4 bytes; replies pad it with blanks
    std::string tel;  // up to 10 bytes; replies pad it with blanks
    std::string apn, user, pass;
    std::array<ServerRow, 5> servers;
    std::string ussd, balancePeriod = "10", balanceLevel = "10", balanceTel;
    std::string port = "9600";
    std::array<InstrumentRow, 32> instruments;
    std::string smsPass = "5729";
    std::array<AlarmRow, 2> alarms;
    int gprs2Period = 0;  // 0: variant 2 off
    int gprs2Server = 1;
    bool gprs3On = false;
    std::string gprs3Ip, gprs3Port;
    std::string serial;  // 8 bytes
};

// Applies one set command to `config`. `name` is the upper-case setting name without
// "AT+ZQ" and "=" (e.g. "SERVER"); `args` the raw bytes after "=". Returns false, leaving
// `config` unchanged, when the name is unknown or the arguments are malformed.
// TIME and DATE are not configuration settings and are refused here.
bool applySetting(Configuration& config, std::string_view name, std::string_view args);

// The reply lines of the query AT+ZQ<name>? (without the leading "\r\n" and the final
// OK), each line "+ZQ<name>: fields\r\n". Empty when `name` is not a stored setting.
std::string queryLines(const Configuration& config, std::string_view name);

// The configuration as set-command lines "NAME=args\n", which applySetting reads back.
std::string serialize(const Configuration& config);

// Loads lines written by serialize(); malformed lines are skipped and counted.
int deserialize(Configuration& config, std::string_view text);

}  // namespace korvel::sim
