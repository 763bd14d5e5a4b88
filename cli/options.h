// korvel-cli's command line: the command, its options and its other words,
// and the help text.  Each option is one row of the table in options.cpp.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "device_link/serial/wire_log.h"

namespace korvel::cli {

class StatusLines;

struct Args {
    QString command, port, output, folder, record, serial, store, since, station, retries, wireLogPath, logPath;
    QString http, httpToken;  // the view in the browser
    std::shared_ptr<WireLog> wireLog;
    std::shared_ptr<StatusLines> log;  // --log
    QStringList ports, positional;
    QStringList argv;  // as given
    bool watch = false;
    QString watchFolder;
    bool json = false, updatePage = false, csv = false, jsonl = false;
};

// The words after the program's name into `a`; false, with the reason in
// `error`, for an option not known or one without its value.
bool parseArguments(const QStringList& argv, Args& a, QString& error);

// The files the options ask for: the wire log and the status lines' log.
// False, after the usage error, when one cannot be opened.
bool openLogs(Args& a);

// `korvel-cli --help`: every command, the device operations' from their table.
QString helpText();

}  // namespace korvel::cli
