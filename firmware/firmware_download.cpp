#include "firmware/firmware_download.h"

#include <algorithm>

#include "device_link/at_dialogue.h"
#include "firmware/firmware_image.h"
#include "device_link/port_session.h"
#include "firmware/xmodem.h"

namespace korvel {

namespace {

// The update page's connections set no read total constant: the port's own
// first-byte bound (kFirstByteBoundMs, 2 s) then ends each read, which is
// right for the module's reply to a block (a receiver answers a good block at
// once and a bad one within about a second).  The first NAK is different: the
// module asked while the port was closed for the reopen and repeats its NAK
// only every several seconds, so the wait for it takes up to this many such
// reads (30 s in all), with a status line while it lasts.
constexpr int kFirstNakReads = 15;

const Timeouts kUpdatePageTimeouts{500, 0, 0, 0, 1000};
const Timeouts kProductionSwitchTimeouts{500, 0, 1000, 0, 1000};
const Timeouts kProductionTransferTimeouts{500, 0, 3000, 0, 1000};

constexpr int kReopenAttempts = 10;
constexpr std::uint32_t kReopenPauseMs = 1000;
constexpr std::uint32_t kCloseBeforeReopenMs = 5000;
constexpr std::uint32_t kSwitchReplyWaitMs = 500;
constexpr std::uint32_t kRestartPauseMs = 1000;

const QByteArray kSwitchReply = QByteArrayLiteral("\r\n+WDWL: 0\r\n");

// One download: its port connection, its gauge, the image, the outcome so
// far and whether the image failed to get through, which the last status
// line then says.
class Download {
public:
    explicit Download(OperationContext& ctx)
        : ctx(ctx), sink(ctx.sink), session(ctx), gauge(ctx.sink.progress()),
          outcome(Outcome::ended(Result::Incomplete, QString::fromLatin1(stage::kTransfer))) {}

    void report(Status status) { sink.status(status); }
    void end(Result result, const char* step) {
        outcome.result = result;
        outcome.step = QString::fromLatin1(step);
        failed = result != Result::Done;
    }
    Outcome portFailure() const { return session.failure(); }

    OperationContext& ctx;
    OperationSink& sink;
    PortSession session;
    Gauge& gauge;
    QByteArray image;
    Outcome outcome;
    bool failed = false;
};

// Port and file chosen, the gauge at 0 of 100; the outcome when not.
bool entryChecked(OperationContext& ctx, const QString& path, Outcome& outcome) {
    OperationSink& sink = ctx.sink;
    if (sink.portName().isEmpty()) {
        sink.box(box::NoPortChosen);
        outcome = Outcome::ended(Result::NoPortChosen, QString::fromLatin1(stage::kPortChoice));
        return false;
    }
    if (path.isEmpty()) {
        sink.box(box::NoFileChosen);
        outcome = Outcome::ended(Result::InvalidInput, QString::fromLatin1(stage::kImageFile));
        return false;
    }
    Gauge& gauge = sink.progress();
    gauge.setMin(0);
    gauge.setProgress(0);
    gauge.setMax(100);
    return true;
}

void lineSettingsRefused(Download& d) {
    d.end(Result::Incomplete, stage::kLineSettings);
}

// Reads the image whole; false (with the reason kept) when there is none.
bool readImage(Download& d, const QString& path) {
    const ImageLoad load = loadImage(path, d.image);
    if (load == ImageLoad::Failed)
        d.sink.box(box::ImageFileError);
    if (load == ImageLoad::Loaded && !d.image.isEmpty()) {
        d.outcome.imageSize = d.image.size();
        return true;
    }
    d.image.clear();
    d.end(Result::FileProblem, stage::kImageFile);
    return false;
}

// The XMODEM transfer of the loaded image, the gauge following the image
// position.  The update page waits longer for the first request.
void sendImage(Download& d, bool longFirstWait) {
    SerialPort& port = d.session.port();
    d.sink.status(status::ImageOpened, QString::number(d.image.size()));
    d.gauge.setMax(static_cast<int>(d.image.size()));

    const xmodem::Result result = xmodem::send(port, d.image, transferHooks(d.sink, port, longFirstWait));
    d.outcome.bytesAcknowledged =
        std::min<qint64>(qint64(result.blocksAccepted) * xmodem::kDataSize, d.image.size());
    switch (result.outcome) {
        case xmodem::Outcome::Complete:
            d.end(Result::Done, "");
            d.outcome.step.clear();
            break;
        case xmodem::Outcome::NoImage:
            d.end(Result::FileProblem, stage::kImageFile);
            break;
        case xmodem::Outcome::NotRequested:
            d.end(Result::DeviceSilent, stage::kTransfer);
            break;
        case xmodem::Outcome::BlockRefused:
            d.end(Result::Refused, stage::kTransfer);
            d.outcome.refusedBlock = result.refusedBlock;
            break;
    }
}

}  // namespace

xmodem::SenderHooks transferHooks(OperationSink& sink, SerialPort& port, bool longFirstWait) {
    xmodem::SenderHooks hooks;
    if (longFirstWait) {
        hooks.readFirstByte = [&sink, &port] {
            for (int i = 0; i < kFirstNakReads; ++i) {
                if (i == 1) sink.status(status::AwaitingModuleRequest);
                const int byte = xmodem::readByte(port);
                if (byte >= 0) return byte;
            }
            return -1;
        };
    }
    // Nothing else happens between a block's acknowledgement and the next
    // block: the line would stand idle meanwhile.  The window answers from
    // the port's waits for the acknowledgements instead (its wait hook).
    Gauge& gauge = sink.progress();
    hooks.afterBlock = [&gauge](qsizetype position) { gauge.setProgress(static_cast<int>(position)); };
    return hooks;
}

namespace {

// The module restarts whatever the transfer did; the production page then
// asks whether the device works again.  A transfer that did not end with
// the whole image acknowledged says so last, so that the status line does
// not read like success.
Outcome restartModule(Download& d, bool production) {
    AtDialogue at(d.session.port(), d.sink, d.session.timeouts());
    d.ctx.clock.sleepMs(kRestartPauseMs);
    // Sent as it is: no reply awaited.
    at.exchange(AtCall(AtCommand::Restart, 0, ReplyRule::SilenceAllowed).keepEcho());
    d.report(production ? status::CommunicatorRestarted : status::ControllerRestarted);
    d.ctx.clock.sleepMs(kRestartPauseMs);
    if (production) {
        // Any answer to AT says the device works again.
        const Verdict alive =
            at.exchange(AtCall(AtCommand::Attention, kEchoTestReplySize, ReplyRule::AnyAnswer)
                            .purgingFirst()
                            .keepEcho());
        if (alive.passed()) d.report(status::CommunicatorWorking);
    }
    if (d.failed) d.sink.status(status::FirmwareNotWritten, transferFailureDetail(d.outcome));
    d.session.close();
    return d.outcome;
}

}  // namespace

Outcome updateFirmware(OperationContext& ctx, const QString& imagePath) {
    Outcome checked;
    if (!entryChecked(ctx, imagePath, checked)) return checked;
    Download d(ctx);

    // Switch: the module's reply is dropped unexamined.
    if (!d.session.open()) return d.portFailure();
    d.report(status::PortOpened);
    if (d.session.configure(kUpdatePageTimeouts)) {
        d.report(status::PortSettingsSet);
        AtDialogue(d.session.port(), ctx.sink, kUpdatePageTimeouts)
            .exchange(AtCall(AtCommand::DownloadMode, 0, ReplyRule::SilenceAllowed).keepEcho());
        ctx.clock.sleepMs(kSwitchReplyWaitMs);
        d.session.port().purge();
        d.report(status::ControllerInDownloadMode);
    }

    // The module re-enumerates its port on the switch: closed, a pause,
    // then up to ten attempts to open it again.
    d.session.close();
    ctx.clock.sleepMs(kCloseBeforeReopenMs);
    bool reopened = false;
    for (int attempt = 0; attempt < kReopenAttempts && !reopened; ++attempt) {
        reopened = d.session.tryReopen();
        if (!reopened) ctx.clock.sleepMs(kReopenPauseMs);
    }
    if (!reopened) {
        ctx.sink.box(box::PortNotReopened);
        return d.portFailure();
    }
    if (!d.session.readSettingsAfterReopen()) return d.portFailure();

    // Transfer, then restart.
    if (d.session.configure(kUpdatePageTimeouts)) {
        d.report(status::UpdatingFirmware);
        if (readImage(d, imagePath)) sendImage(d, true);
    } else {
        lineSettingsRefused(d);
    }
    return restartModule(d, false);
}

Outcome downloadProductionImage(OperationContext& ctx, const QString& imagePath) {
    Outcome checked;
    if (!entryChecked(ctx, imagePath, checked)) return checked;
    Download d(ctx);

    if (!d.session.open()) return d.portFailure();
    d.report(status::PortOpened);
    if (d.session.configure(kProductionSwitchTimeouts)) {
        d.report(status::PortSettingsSet);
        // Switch: echo test, then AT+WDWL; its reply only decides a report.
        SerialPort& port = d.session.port();
        AtDialogue at(port, ctx.sink, kProductionSwitchTimeouts);
        port.purge();
        at.echoTest();
        port.purge();
        const Verdict switched = at.exchange(
            AtCall(AtCommand::DownloadMode, kDownloadModeReplySize, ReplyRule::SilenceAllowed)
                .expecting(kSwitchReply));
        if (switched.passed()) d.report(status::CommunicatorInDownloadMode);

        // Transfer, with the longer bound the module's block replies need.
        d.report(status::UpdatingFirmware);
        const bool haveImage = readImage(d, imagePath);
        d.session.configure(kProductionTransferTimeouts, false);
        port.purge();
        if (haveImage) sendImage(d, false);
    } else {
        lineSettingsRefused(d);
    }
    return restartModule(d, true);
}

QString transferFailureDetail(const Outcome& outcome) {
    switch (outcome.result) {
        case Result::Incomplete: return QLatin1String(transfer_failure::kPortSettings);
        case Result::FileProblem: return QLatin1String(transfer_failure::kImageFile);
        case Result::DeviceSilent: return QLatin1String(transfer_failure::kNoRequest);
        case Result::Refused:
            return QLatin1String(transfer_failure::kBlockRefused) + u' ' + QString::number(outcome.refusedBlock);
        default: return QString();
    }
}

}  // namespace korvel
