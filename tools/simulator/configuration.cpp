#include "configuration.h"

#include <optional>

namespace korvel::sim {
namespace {

// Storage limits of the device. They keep every query reply well inside the
// 1000 bytes a reader takes in one read (32 instrument lines are the longest reply).
constexpr std::size_t kPinLength = 4;
constexpr std::size_t kTelLength = 10;
constexpr std::size_t kSerialLength = 8;
constexpr std::size_t kFreeText = 100;  // APN, user, password
constexpr std::size_t kPhone = 16;      // server, balance and alarm telephones
constexpr std::size_t kAddress = 32;    // server IP address or host
constexpr std::size_t kDescription = 20;
constexpr std::size_t kUssd = 32;
constexpr std::size_t kSmsPass = 16;
constexpr std::size_t kInstrumentAddress = 10;

// Values are stored as raw bytes (the configurator sends Windows-1251), but a control
// byte would break the reply's line layout, so the device refuses it.
bool plain(std::string_view value, std::size_t maxLength) {
    if (value.size() > maxLength) return false;
    for (char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return false;
    }
    return true;
}

// A number field may carry the blanks of a masked field around its digits
// ("502  " from a five-position port mask); the blanks are kept as sent.
std::string_view trimBlanks(std::string_view value) {
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
    return value;
}

bool digits(std::string_view value, std::size_t minLength, std::size_t maxLength) {
    value = trimBlanks(value);
    if (value.size() < minLength || value.size() > maxLength) return false;
    for (char c : value)
        if (c < '0' || c > '9') return false;
    return true;
}

std::optional<int> number(std::string_view value, int min, int max) {
    if (!digits(value, 1, 3)) return std::nullopt;
    value = trimBlanks(value);
    int result = 0;
    for (char c : value) result = result * 10 + (c - '0');
    if (result < min || result > max) return std::nullopt;
    return result;
}

std::vector<std::string_view> split(std::string_view text) {
    std::vector<std::string_view> fields;
    while (true) {
        const auto comma = text.find(',');
        fields.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos) return fields;
        text.remove_prefix(comma + 1);
    }
}

std::string padded(std::string_view value, std::size_t width) {
    std::string result(value.substr(0, width));
    result.resize(width, ' ');
    return result;
}

bool setServer(Configuration& config, std::string_view args) {
    // n,flag,tel,ip,port,description; the description is the rest of the line.
    std::vector<std::string_view> fields = split(args);
    if (fields.size() < 2) return false;
    const auto n = number(fields[0], 1, 5);
    if (!n) return false;
    ServerRow row;
    if (fields[1] == "0") {
        config.servers[static_cast<std::size_t>(*n - 1)] = row;
        return true;
    }
    if (fields[1] != "1" || fields.size() < 6) return false;
    const std::string_view description =
        args.substr(static_cast<std::size_t>(fields[5].data() - args.data()));
    if (!plain(fields[2], kPhone) || !plain(fields[3], kAddress) || !digits(fields[4], 0, 5) ||
        !plain(description, kDescription))
        return false;
    row.used = true;
    row.tel = fields[2];
    row.ip = fields[3];
    row.port = fields[4];
    row.description = description;
    config.servers[static_cast<std::size_t>(*n - 1)] = row;
    return true;
}

bool setBalance(Configuration& config, std::string_view args) {
    const std::vector<std::string_view> fields = split(args);
    if (fields.size() != 4) return false;
    if (!plain(fields[0], kUssd) || !digits(fields[1], 1, 5) || !digits(fields[2], 1, 6) ||
        !plain(fields[3], kPhone))
        return false;
    config.ussd = fields[0];
    config.balancePeriod = fields[1];
    config.balanceLevel = fields[2];
    config.balanceTel = fields[3];
    return true;
}

bool setInstrument(Configuration& config, std::string_view args) {
    const std::vector<std::string_view> fields = split(args);
    if (fields.size() != 3) return false;
    const auto n = number(fields[0], 1, 32);
    if (!n || fields[1].size() != 1 || fields[1][0] < '0' || fields[1][0] > '2') return false;
    if (!plain(fields[2], kInstrumentAddress)) return false;
    InstrumentRow& row = config.instruments[static_cast<std::size_t>(*n - 1)];
    row.typeCode = fields[1][0];
    row.address = fields[2];
    return true;
}

bool setAlarm(Configuration& config, std::string_view args) {
    const std::vector<std::string_view> fields = split(args);
    if (fields.size() != 3) return false;
    const auto n = number(fields[0], 1, 2);
    if (!n) return false;
    AlarmRow row;
    if (fields[1] == "1") {
        if (!plain(fields[2], kPhone)) return false;
        row.used = true;
        row.tel = fields[2];
    } else if (fields[1] != "0") {
        return false;
    }
    config.alarms[static_cast<std::size_t>(*n - 1)] = row;
    return true;
}

bool setGprs2(Configuration& config, std::string_view args) {
    if (args == "0") {
        config.gprs2Period = 0;
        return true;
    }
    const std::vector<std::string_view> fields = split(args);
    if (fields.size() != 2 || !digits(fields[0], 1, 5)) return false;
    const auto server = number(fields[1], 1, 5);
    if (!server) return false;
    int period = 0;
    for (char c : trimBlanks(fields[0])) period = period * 10 + (c - '0');
    config.gprs2Period = period;
    config.gprs2Server = *server;
    return true;
}

bool setGprs3(Configuration& config, std::string_view args) {
    if (args == "0") {
        config.gprs3On = false;
        return true;
    }
    const std::vector<std::string_view> fields = split(args);
    if (fields.size() != 3 || fields[0] != "1") return false;
    if (!plain(fields[1], kAddress) || !digits(fields[2], 1, 5)) return false;
    config.gprs3On = true;
    config.gprs3Ip = fields[1];
    config.gprs3Port = fields[2];
    return true;
}

bool setSingle(std::string& target, std::string_view value, std::size_t maxLength) {
    if (!plain(value, maxLength)) return false;
    target = value;
    return true;
}

}  // namespace

bool applySetting(Configuration& config, std::string_view name, std::string_view args) {
    if (name == "PIN") return setSingle(config.pin, args, kPinLength);
    if (name == "TEL") return setSingle(config.tel, args, kTelLength);
    if (name == "APN") return setSingle(config.apn, args, kFreeText);
    if (name == "USER") return setSingle(config.user, args, kFreeText);
    if (name == "PASS") return setSingle(config.pass, args, kFreeText);
    if (name == "SMSPASS") return setSingle(config.smsPass, args, kSmsPass);
    if (name == "PORT") {
        if (!digits(args, 0, 6)) return false;
        config.port = args;
        return true;
    }
    if (name == "SNUM") {
        if (!digits(args, kSerialLength, kSerialLength)) return false;
        config.serial = args;
        return true;
    }
    if (name == "SERVER") return setServer(config, args);
    if (name == "BALANCE") return setBalance(config, args);
    if (name == "DEVICE") return setInstrument(config, args);
    if (name == "ERRSMS") return setAlarm(config, args);
    if (name == "GPRS2") return setGprs2(config, args);
    if (name == "GPRS3") return setGprs3(config, args);
    return false;
}

std::string queryLines(const Configuration& config, std::string_view name) {
    const std::string prefix = "+ZQ" + std::string(name) + ": ";
    auto line = [&](const std::string& fields) { return prefix + fields + "\r\n"; };
    if (name == "PIN") return line(padded(config.pin, kPinLength));
    if (name == "TEL") return line(padded(config.tel, kTelLength));
    if (name == "SNUM") return line(padded(config.serial, kSerialLength));
    if (name == "APN") return line(config.apn);
    if (name == "USER") return line(config.user);
    if (name == "PASS") return line(config.pass);
    if (name == "SMSPASS") return line(config.smsPass);
    if (name == "PORT") return line(config.port);
    if (name == "BALANCE") {
        return line(config.ussd + "," + config.balancePeriod + "," + config.balanceLevel + "," +
                    config.balanceTel);
    }
    if (name == "SERVER") {
        std::string lines;
        for (std::size_t i = 0; i < config.servers.size(); ++i) {
            const ServerRow& row = config.servers[i];
            const std::string n = std::to_string(i + 1);
            lines += row.used ? line(n + ",1," + row.tel + "," + row.ip + "," + row.port + "," +
                                     row.description)
                              : line(n + ",0,,,,");
        }
        return lines;
    }
    if (name == "DEVICE") {
        std::string lines;
        for (std::size_t i = 0; i < config.instruments.size(); ++i) {
            const InstrumentRow& row = config.instruments[i];
            lines += line(std::to_string(i + 1) + "," + row.typeCode + "," + row.address);
        }
        return lines;
    }
    if (name == "ERRSMS") {
        std::string lines;
        for (std::size_t i = 0; i < config.alarms.size(); ++i) {
            const AlarmRow& row = config.alarms[i];
            lines += line(std::to_string(i + 1) + (row.used ? ",1," + row.tel : ",0,"));
        }
        return lines;
    }
    if (name == "GPRS2") {
        return line(std::to_string(config.gprs2Period) + "," + std::to_string(config.gprs2Server));
    }
    if (name == "GPRS3") {
        return line(config.gprs3On ? "1," + config.gprs3Ip + "," + config.gprs3Port : "0");
    }
    return {};
}

std::string serialize(const Configuration& config) {
    // Each line is a set command's name and arguments, so loading replays them.
    std::string text;
    auto add = [&](const char* name, const std::string& args) {
        text += name;
        text += '=';
        text += args;
        text += '\n';
    };
    add("PIN", config.pin);
    add("TEL", config.tel);
    add("APN", config.apn);
    add("USER", config.user);
    add("PASS", config.pass);
    for (std::size_t i = 0; i < config.servers.size(); ++i) {
        const ServerRow& row = config.servers[i];
        const std::string n = std::to_string(i + 1);
        add("SERVER",
            row.used ? n + ",1," + row.tel + "," + row.ip + "," + row.port + "," + row.description
                     : n + ",0");
    }
    add("BALANCE", config.ussd + "," + config.balancePeriod + "," + config.balanceLevel + "," +
                       config.balanceTel);
    add("PORT", config.port);
    for (std::size_t i = 0; i < config.instruments.size(); ++i) {
        const InstrumentRow& row = config.instruments[i];
        add("DEVICE", std::to_string(i + 1) + "," + row.typeCode + "," + row.address);
    }
    add("SMSPASS", config.smsPass);
    for (std::size_t i = 0; i < config.alarms.size(); ++i) {
        const AlarmRow& row = config.alarms[i];
        add("ERRSMS", std::to_string(i + 1) + (row.used ? ",1," + row.tel : ",0,"));
    }
    add("GPRS2", std::to_string(config.gprs2Period) + "," + std::to_string(config.gprs2Server));
    add("GPRS3", config.gprs3On ? "1," + config.gprs3Ip + "," + config.gprs3Port : "0");
    if (digits(config.serial, kSerialLength, kSerialLength)) add("SNUM", config.serial);
    return text;
}

int deserialize(Configuration& config, std::string_view text) {
    int skipped = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty()) continue;
        const auto equals = line.find('=');
        if (equals == std::string_view::npos ||
            !applySetting(config, line.substr(0, equals), line.substr(equals + 1)))
            ++skipped;
    }
    return skipped;
}

}  // namespace korvel::sim
