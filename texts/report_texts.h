// The texts of what operations report: status lines, boxes, the
// configuration log's notes and the reasons a port, a transfer or the
// settings file failed.
// Every place that shows a report (the window, the terminal) takes its text
// from here; nothing below this layer holds, compares or cuts these texts.
#pragma once

#include <QString>
#include <vector>

#include "device_link/operation_sink.h"
#include "production/firmware_files.h"

namespace korvel {

QString statusText(Status status, const QString& detail = QString());
// False for a passing state that shows in the status line but is not kept
// in the production log.
bool statusLogged(Status status);

enum class BoxButtons { Ok, Abort, OkCancel };

struct BoxText {
    QString caption;
    QString text;
    BoxButtons buttons = BoxButtons::Ok;
    bool error = true;  // the error kind of box; false for a plain one
};
BoxText boxText(Box box, const Outcome& about = Outcome());
// Boxes about the port choice; the port choice gets the focus after them.
bool boxAboutPortChoice(Box box);

QString logNoteText(LogNote note);

// The line the port-unusable box adds under its first line; empty when the
// reason is unknown.  A busy port names the processes that hold it, and
// when one of them is ModemManager, says how to keep it off the adapter.  A
// failure of no known kind shows the system's own text of it.
QString openFailureText(OpenFailure failure, const std::vector<PortHolder>& holders = {},
                        const QString& portName = QString(),
                        const QString& systemMessage = QString());

// Why a firmware transfer did not get the image through, from the detail of
// status::FirmwareNotWritten (transferFailureDetail): the port refused its
// settings, the file was not read, the module asked for nothing or refused a
// block.
QString transferFailureText(const QString& detail);

// The box of a settings file that could not be written, with the system's
// reason when there is one.
QString settingsNotWrittenText(const QString& path, const QString& reason);

// The production station's words on one device's chain: a link run again
// ("boot: повтор, попытка 2 из 3" as a status line, "boot (попытка 2)" in
// the device's live line), and how the device ended.
QString linkRepeatText(const QString& link, int attempt, int attempts);
QString linkAttemptText(const QString& link, int attempt);
QString deviceDoneText(const QString& serialNumber);
QString deviceNotDoneText(const QString& failure);

// Title of the folder browser of "Открыть папку ПО".
extern const char kFirmwareFolderTitle[];
// File-dialog filter of each "Открыть" button, as "description |pattern":
// the files offered are those of the pattern after the bar.
QString imageFileFilter(ImageKind kind);

}  // namespace korvel
