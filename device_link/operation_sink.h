// Where a device operation reports while it runs: typed status reports,
// boxes raised at the moment the dialogue dictates, the configuration log's
// commands and replies, the progress bar of the sink's role, and whether the
// port is in use.  The operation names what happened; the sink's owner (the
// window, the terminal, a test) makes the texts from `texts/report_texts.h`
// and shows them its own way.
#pragma once

#include <QString>
#include <string_view>

#include "device_link/outcome.h"

namespace korvel {

// A progress bar as an operation drives it.
class Gauge {
public:
    virtual ~Gauge() = default;
    virtual void setMin(int value) = 0;
    virtual void setMax(int value) = 0;
    // Clamped to [min, max].
    virtual void setProgress(int value) = 0;
    virtual int progress() const = 0;
    virtual int min() const = 0;
    virtual int max() const = 0;
    virtual void setVisible(bool visible) = 0;
    virtual bool isVisible() const = 0;
    void addProgress(int step) { setProgress(progress() + step); }
};

// A bar that shows nothing and stays at 0, for sinks that have none.
class NullGauge : public Gauge {
public:
    void setMin(int) override {}
    void setMax(int) override {}
    void setProgress(int) override {}
    int progress() const override { return 0; }
    int min() const override { return 0; }
    int max() const override { return 0; }
    void setVisible(bool) override {}
    bool isVisible() const override { return false; }
};

// Which progress bar a sink gives its operations: the one of the
// configuration, of the firmware update, or of the production.
enum class ProgressRole { Configuration, FirmwareUpdate, Production };

// A status report or a box, named by a key of its own ("port opened",
// "start refused").  The namespaces `status` and `box` are open: each
// operation names the reports it makes beside its own declaration, and the
// texts layer gives each key its words.  Nothing needs a central list.
struct Status {
    const char* key = "";
};
struct Box {
    const char* key = "";
};
constexpr bool operator==(Status a, Status b) { return std::string_view(a.key) == b.key; }
constexpr bool operator!=(Status a, Status b) { return !(a == b); }
constexpr bool operator==(Box a, Box b) { return std::string_view(a.key) == b.key; }
constexpr bool operator!=(Box a, Box b) { return !(a == b); }

// The reports of the port connection and the AT dialogue, which every
// operation may make.  `detail` of a status carries its variable part.
namespace status {
inline constexpr Status PortOpened{"port opened"};
inline constexpr Status PortSettingsSet{"port settings set"};
inline constexpr Status CommunicatorWorking{"communicator working"};
inline constexpr Status CommunicatorInConfigMode{"communicator in configuration mode"};
}  // namespace status

namespace box {
inline constexpr Box NoPortChosen{"no port chosen"};  // the port choice is empty
inline constexpr Box PortUnusable{"port unusable"};   // the outcome names the port and why
inline constexpr Box PortNotReopened{"port not reopened"};
inline constexpr Box DeviceSilent{"device silent"};  // nothing at all came back since the port opened
inline constexpr Box ConfigurationError{"configuration error"};  // a configuration command or the save refused
inline constexpr Box ConfigModeNotStarted{"configuration mode not started"};  // AT+ZQCONFIG refused on the configuration write
inline constexpr Box NoFileChosen{"no file chosen"};
inline constexpr Box ImageFileError{"image file error"};  // an image could not be read
}  // namespace box

// The fixed notes of the configuration log around configuration mode.
enum class LogNote { ConfigModeEntered, ConfigSaved, ConfigSaveRefused, ConfigModeLeft, ConfigModeNotLeft };

// A configuration setting whose refusal sends the user to its field.
enum class Setting { Gprs2Period, Gprs3Address };

class OperationSink {
public:
    virtual ~OperationSink() = default;

    // The name of the port the operation works on (the window gives the
    // choice as it stood when the operation started).
    virtual QString portName() const = 0;

    virtual void status(Status status, const QString& detail = QString()) = 0;
    // A box, shown (and answered) before the operation goes on.  `about`
    // carries what the box names (the port, its holders, why it failed).
    virtual void box(Box box, const Outcome& about = Outcome()) = 0;
    // A command sent or a reply received during the configuration dialogue,
    // as it went (line ends included).
    virtual void configLog(const QString& data) = 0;
    virtual void logNote(LogNote note) = 0;
    // The device refused this setting; its field deserves attention.
    virtual void settingRefused(Setting setting) = 0;

    virtual Gauge& progress() = 0;
    // The port is held by a configuration, read or reset (true) and free
    // again (false).
    virtual void portInUse(bool inUse) = 0;

    // Lets the surroundings handle what is pending (repaint, input).
    virtual void processMessages() = 0;
};

}  // namespace korvel
