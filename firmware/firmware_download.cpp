#include "firmware_download.h"

#include <algorithm>

#include "at_dialogue.h"
#include "firmware_image.h"
#include "port_session.h"
#include "xmodem.h"

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

const char kSwitchReply[] = "\r\n+WDWL: 0\r\n";
constexpr std::size_t kSwitchReplySize = 12;

void write(SerialPort& port, const char* bytes, std::size_t size) { port.write(bytes, size); }

bool switchReplyCheck(const QByteArray& reply) {
    if (static_cast<std::size_t>(reply.size()) > kSwitchReplySize) return false;
    return std::equal(reply.begin(), reply.end(), kSwitchReply);
}

class Download {
public:
    Download(OperationContext& ctx, const QString& path, GaugeId gauge, DownloadEntry entry)
        : ctx_(ctx), host_(ctx.host), path_(path), gauge_(host_.gauge(gauge)), entry_(entry),
          session_(ctx) {
        outcome_.operation = entry == DownloadEntry::UpdatePage ? Operation::UpdateFirmware
                                                                : Operation::WriteProductionImage;
    }

    Outcome run() {
        if (entry_ == DownloadEntry::UpdatePage)
            runUpdatePage();
        else
            runProduction();
        return outcome_;
    }

private:
    void report(const char* text) { host_.statusReport(QString::fromUtf8(text)); }

    void runUpdatePage() {
        if (!session_.open()) return fail(session_.failure(outcome_.operation));
        report(" Порт открыт");
        if (session_.configure(kUpdatePageTimeouts)) {
            report(" Параметры порта установлены");
            write(session_.port(), "AT+WDWL\r\n", 9);
            ctx_.clock.sleepMs(kSwitchReplyWaitMs);
            session_.port().purge();
            report(" Контроллер переведен в режим обновления ПО");
        }
        session_.close();
        ctx_.clock.sleepMs(kCloseBeforeReopenMs);

        bool reopened = false;
        for (int attempt = 0; attempt < kReopenAttempts && !reopened; ++attempt) {
            reopened = session_.tryReopen();
            if (!reopened) ctx_.clock.sleepMs(kReopenPauseMs);
        }
        if (!reopened) {
            host_.errorBox(QStringLiteral("Не смогли повтороно открыть порт!"), BoxButtons::Abort);
            return fail(session_.failure(outcome_.operation));
        }
        if (!session_.readSettingsAfterReopen()) return fail(session_.failure(outcome_.operation));
        if (session_.configure(kUpdatePageTimeouts)) {
            report(" Обновление ПО");
            transfer(true);
        } else {
            lineSettingsRefused();
        }
        restart();
    }

    void runProduction() {
        if (!session_.open()) return fail(session_.failure(outcome_.operation));
        report(" Порт открыт");
        if (session_.configure(kProductionSwitchTimeouts)) {
            report(" Параметры порта установлены");
            SerialPort& port = session_.port();
            AtDialogue at(port, host_, kProductionSwitchTimeouts);
            port.purge();
            at.echoTest();
            port.purge();
            at.swallowEcho(at.send({QByteArrayLiteral("AT+WDWL\r\n")}));
            if (switchReplyCheck(at.readReply(kSwitchReplySize)))
                report(" Коммуникатор переведен в режим обновления ПО");
            report(" Обновление ПО");
            const bool haveImage = loadImage();
            session_.configure(kProductionTransferTimeouts, false);
            port.purge();
            if (haveImage) send(false);
        } else {
            lineSettingsRefused();
        }
        restart();
    }

    // Loads the image; false (with the reason kept) when there is none.
    bool loadImage() {
        switch (korvel::loadImage(path_, image_)) {
            case ImageLoad::Loaded:
                break;
            case ImageLoad::Failed:
                host_.fileErrorBox(QStringLiteral(
                    "Can't perform one of the following file operations: Open, Seek, Read, Close."));
                image_.clear();
                break;
            case ImageLoad::Unreadable:
                image_.clear();
                break;
        }
        if (image_.isEmpty()) {
            failure_ = QStringLiteral("файл не прочитан или пуст");
            end(Result::FileProblem, stage::kImageFile);
            return false;
        }
        outcome_.imageSize = image_.size();
        return true;
    }

    void transfer(bool updatePage) {
        if (loadImage()) send(updatePage);
    }

    void send(bool updatePage) {
        SerialPort& port = session_.port();
        host_.statusReport(QStringLiteral(" Файл ПО открыт. Длинна %1 байт").arg(image_.size()));
        gauge_.setMax(static_cast<int>(image_.size()));

        xmodem::SenderHooks hooks;
        if (updatePage) {
            hooks.readFirstByte = [this, &port] {
                for (int i = 0; i < kFirstNakReads; ++i) {
                    if (i == 1)
                        host_.setStatusLine(QStringLiteral(" Ожидание запроса модуля на передачу"));
                    const int byte = xmodem::readByte(port);
                    if (byte >= 0) return byte;
                }
                return -1;
            };
            hooks.beforeBlock = [this] { host_.processMessages(); };
        }
        hooks.afterBlock = [this](qsizetype position) {
            gauge_.setProgress(static_cast<int>(position));
            host_.processMessages();
        };
        const xmodem::Result result = xmodem::send(port, image_, hooks);
        outcome_.bytesAcknowledged =
            std::min<qint64>(qint64(result.blocksAccepted) * xmodem::kDataSize, image_.size());
        switch (result.outcome) {
            case xmodem::Outcome::Complete:
                outcome_.result = Result::Done;
                outcome_.step.clear();
                break;
            case xmodem::Outcome::NoImage:
                failure_ = QStringLiteral("файл не прочитан или пуст");
                end(Result::FileProblem, stage::kImageFile);
                break;
            case xmodem::Outcome::NotRequested:
                failure_ = QStringLiteral("модуль не запросил передачу");
                end(Result::DeviceSilent, stage::kTransfer);
                break;
            case xmodem::Outcome::BlockRefused:
                failure_ = QStringLiteral("модуль не принял блок %1").arg(result.refusedBlock);
                end(Result::Refused, stage::kTransfer);
                outcome_.refusedBlock = result.refusedBlock;
                break;
        }
    }

    void restart() {
        SerialPort& port = session_.port();
        ctx_.clock.sleepMs(kRestartPauseMs);
        write(port, "AT+CFUN=1\r\n", 11);
        const bool production = entry_ == DownloadEntry::Production;
        report(production ? " Сброс коммуникатора" : " Сброс контроллера");
        ctx_.clock.sleepMs(kRestartPauseMs);
        if (production) {
            port.purge();
            write(port, "AT\r\n", 4);
            char buffer[10];
            if (port.read(buffer, sizeof buffer) > 0) report(" Коммуникатор в рабочем режиме");
        }
        // A transfer that did not end with the whole image acknowledged says
        // so last, so that the status line does not read like success.
        if (!failure_.isEmpty())
            host_.statusReport(QStringLiteral(" ПО не записано: ") + failure_);
        session_.close();
    }

    void fail(const Outcome& failure) { outcome_ = failure; }
    void end(Result result, const char* step) {
        outcome_.result = result;
        outcome_.step = QString::fromLatin1(step);
    }
    void lineSettingsRefused() {
        failure_ = QStringLiteral("порт не принял настройки");
        end(Result::Incomplete, stage::kLineSettings);
    }

    OperationContext& ctx_;
    OperationHost& host_;
    QString path_;
    Gauge& gauge_;
    DownloadEntry entry_;
    PortSession session_;
    QByteArray image_;
    QString failure_;
    // Until the whole image is acknowledged the download has not happened.
    Outcome outcome_ = Outcome::ended(Operation::UpdateFirmware, Result::Incomplete,
                                      QString::fromLatin1(stage::kTransfer));
};

}  // namespace

Outcome runFirmwareDownload(OperationContext& ctx, const QString& imagePath, GaugeId gauge,
                            DownloadEntry entry) {
    return Download(ctx, imagePath, gauge, entry).run();
}

}  // namespace korvel
