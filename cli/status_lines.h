// The status lines as korvel-cli writes them on stderr: a device's status
// and error lines, tagged with its port when several devices run at once,
// and its progress every 10 % (for one device on a terminal, a bar).  A log
// file (--log) gets the same lines, each with its date and time and its port
// (and a device's reply in one on the same line).
#pragma once

#include <QString>
#include <cstdio>
#include <memory>
#include <mutex>

#include "cli/events.h"

namespace korvel::cli {

class StatusLines : public Events {
public:
    struct Form {
        bool tagPorts = false;    // "PORT: " before a device's lines
        bool bar = false;         // the progress as a bar redrawn in place
        bool timestamps = false;  // "2024-05-14 09:03:11.250 " before every line
    };
    StatusLines(std::FILE* out, Form form) : out_(out), form_(form) {}
    ~StatusLines() override;

    // A log file, appended to, every line handed to the system as written;
    // null, with the reason, when it cannot be opened.
    static std::unique_ptr<StatusLines> openLog(const QString& path, QString& error);

    void line(const QString& port, LineKind kind, const QString& text) override;
    void progress(const QString& port, std::optional<ChainLink> link, const ProgressMark& mark) override;
    void linkBegins(const QString&, ChainLink, int) override {}
    void linkEnds(const QString&, ChainLink, const LinkEnd&) override {}
    void deviceEnds(const store::ProductionRecord&) override {}
    void notice(Notice notice, const QString& text) override;
    void close() override;

private:
    void write(const QString& text);

    std::mutex mutex_;
    std::FILE* out_;
    Form form_;
    bool owned_ = false, closed_ = false;
};

}  // namespace korvel::cli
