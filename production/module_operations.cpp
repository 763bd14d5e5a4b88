#include "module_operations.h"

#include "at_dialogue.h"
#include "firmware_download.h"
#include "port_session.h"
#include "text_codec.h"

namespace korvel {

namespace {

const Timeouts kShortTimeouts{500, 0, 1000, 0, 1000};
const Timeouts kApplicationTimeouts{500, 0, 10000, 0, 1000};
constexpr std::uint32_t kApplicationStartWaitMs = 3000;
constexpr std::size_t kIdentificationReplySize = 1000;
constexpr std::size_t kVersionReplySize = 28;

// The n-th dot at or after `from`; `last` receives the last dot found.
int nthDot(const QString& text, int from, int n, int& last) {
    last = -1;
    int at = from - 1;
    for (int i = 0; i < n; ++i) {
        at = text.indexOf(QLatin1Char('.'), at + 1);
        if (at < 0) return -1;
        last = at;
    }
    return at;
}

void report(OperationHost& host, const char* text) { host.statusReport(QString::fromUtf8(text)); }

// Port connection of the production operations: the settings' acceptance is
// not examined.
bool openProductionPort(OperationContext& ctx, PortSession& session, const Timeouts& timeouts) {
    if (!session.open()) return false;
    report(ctx.host, " Порт открыт");
    session.configure(timeouts, false);
    report(ctx.host, " Параметры порта установлены");
    return true;
}

// Purge, send, swallow the echo, read up to `n` bytes.
QByteArray command(SerialPort& port, AtDialogue& at, const Pieces& pieces, std::size_t n,
                   bool purgeFirst = true) {
    if (purgeFirst) port.purge();
    at.swallowEcho(at.send(pieces));
    return at.readReply(n);
}

}  // namespace

QString coreVersionFromIdentification(const QString& reply) {
    const int r = reply.indexOf(QStringLiteral("\r\nR"));
    const QString work = r >= 0 ? reply.mid(r + 2) : reply.mid(1);
    int last = -1;
    const int third = nthDot(work, 0, 3, last);
    if (third >= 0) return work.left(third);
    return last >= 0 ? work.left(last) : QString();
}

QString moduleTypeFromIdentification(const QString& reply) {
    const int nl = reply.indexOf(QLatin1Char('\n'));
    const QString work = nl >= 0 ? reply.mid(nl + 1) : reply;
    int last = -1;
    const int fourth = nthDot(work, 0, 4, last);
    const int dot = fourth >= 0 ? fourth : last;
    const QString rest = dot >= 0 ? work.mid(dot + 1) : work;
    const int blank = rest.indexOf(QLatin1Char(' '));
    return blank >= 0 ? rest.left(blank) : QString();
}

QString applicationVersionFromReply(const QString& reply) {
    const int colon = reply.indexOf(QLatin1Char(':'));
    return reply.mid(colon >= 0 ? colon + 2 : 1, 10);
}

std::optional<ModuleIdentity> identifyModule(OperationContext& ctx) {
    PortSession session(ctx);
    if (!openProductionPort(ctx, session, kShortTimeouts)) return std::nullopt;
    SerialPort& port = session.port();
    AtDialogue at(port, ctx.host, kShortTimeouts);
    port.purge();
    at.echoTest();
    session.setTimeouts(kShortTimeouts);
    const QByteArray reply =
        command(port, at, {QByteArrayLiteral("AT+CGMR\r\n")}, kIdentificationReplySize);
    session.close();
    if (reply.isEmpty()) return std::nullopt;
    const QString text = replyText(reply);
    ModuleIdentity identity{coreVersionFromIdentification(text), moduleTypeFromIdentification(text)};
    ctx.host.statusReport(QStringLiteral(" Версия ПО ядра: ") + identity.coreVersion);
    ctx.host.statusReport(QStringLiteral(" Тип модуля: ") + identity.moduleType);
    return identity;
}

void startApplication(OperationContext& ctx) {
    PortSession session(ctx);
    if (!openProductionPort(ctx, session, kShortTimeouts)) return;
    SerialPort& port = session.port();
    AtDialogue at(port, ctx.host, kShortTimeouts);
    OperationHost& host = ctx.host;
    port.purge();
    at.echoTest();
    session.setTimeouts(kApplicationTimeouts);

    const QByteArray started = command(port, at, {QByteArrayLiteral("AT+WOPEN=1\r\n")}, 6);
    if (!at.deviceAnswered()) {
        // Nothing at all came back, not even to the echo test: no cable, no
        // device.  That is not a started application.
        session.close();
        reportDeviceSilent(host);
        return;
    }
    if (!replyCheck(started)) {
        session.close();
        host.errorBox(QStringLiteral("Ошибка запуска приложения!"), BoxButtons::Abort);
        return;
    }
    report(host, " Приложение запущено");
    ctx.clock.sleepMs(kApplicationStartWaitMs);

    if (!replyCheck(command(port, at, {QByteArrayLiteral("AT+ZQCONFIG\r\n")}, 6))) {
        session.close();
        host.errorBox(QStringLiteral("Ошибка перевода в режим конфигурирования!"), BoxButtons::Abort);
        return;
    }
    report(host, " Коммуникатор в режиме конфигурирования");

    const QByteArray version =
        command(port, at, {QByteArrayLiteral("AT+ZQVER?\r\n")}, kVersionReplySize);
    if (version.isEmpty()) {
        session.close();
        host.errorBox(QStringLiteral("Ошибка считывания версии!"), BoxButtons::Abort);
        return;
    }
    host.statusReport(QStringLiteral("Версия ПО: ") + applicationVersionFromReply(replyText(version)));

    if (!replyCheck(command(port, at, {QByteArrayLiteral("AT+ZQEXIT\r\n")}, 9))) {
        session.close();
        host.errorBox(QStringLiteral("Ошибка выхода из режима конфигурирования!"), BoxButtons::Abort);
        return;
    }
    report(host, " Коммуникатор в рабочем режиме");
}

void deleteApplication(OperationContext& ctx) {
    PortSession session(ctx);
    if (!openProductionPort(ctx, session, kShortTimeouts)) return;
    SerialPort& port = session.port();
    AtDialogue at(port, ctx.host, kShortTimeouts);
    OperationHost& host = ctx.host;
    port.purge();
    at.echoTest();
    session.setTimeouts(kApplicationTimeouts);

    const QByteArray stopped = command(port, at, {QByteArrayLiteral("AT+WOPEN=0\r\n")}, 6);
    if (!at.deviceAnswered()) {
        session.close();
        reportDeviceSilent(host);
        return;
    }
    if (!replyCheck(stopped)) {
        session.close();
        host.errorBox(QStringLiteral("Ошибка останова приложения!"), BoxButtons::Abort);
        return;
    }
    report(host, " Приложение остановлено");
    // Only silence counts as failure here: an error text still means the
    // module has heard the erase.
    if (command(port, at, {QByteArrayLiteral("AT+WOPEN=3\r\n")}, 6).isEmpty()) {
        session.close();
        host.errorBox(QStringLiteral("Ошибка удаления flash-объектов!"), BoxButtons::Abort);
        return;
    }
    report(host, " Flash-объекты удалены");
    if (command(port, at, {QByteArrayLiteral("AT+WOPEN=4\r\n")}, 6).isEmpty()) {
        session.close();
        host.errorBox(QStringLiteral("Ошибка удаления приложения!"), BoxButtons::Abort);
        return;
    }
    report(host, " Приложение удалено");
}

bool isCompleteSerialNumber(const QString& number) {
    if (number.size() != 8) return false;
    for (const QChar c : number)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return true;
}

void programSerialNumber(OperationContext& ctx, const QString& number) {
    OperationHost& host = ctx.host;
    PortSession session(ctx);
    // A number with empty positions would become the device's identity as
    // blanks: it is refused before the port is even opened.
    if (!host.portName().isEmpty() && !isCompleteSerialNumber(number)) {
        host.errorBox(QStringLiteral("Серийный номер должен состоять из 8 цифр!"), BoxButtons::Ok);
        return;
    }
    if (!openProductionPort(ctx, session, kShortTimeouts)) return;
    SerialPort& port = session.port();
    AtDialogue at(port, host, kShortTimeouts);
    port.purge();
    at.echoTest();
    session.setTimeouts(kShortTimeouts);

    const QByteArray entered = command(port, at, {QByteArrayLiteral("AT+ZQCONFIG\r\n")}, 6);
    if (!at.deviceAnswered()) {
        session.close();
        reportDeviceSilent(host);
        return;
    }
    if (!replyCheck(entered)) {
        session.close();
        host.errorBox(QStringLiteral("Ошибка перевода в режим конфигурирования!"), BoxButtons::Abort);
        return;
    }
    report(host, " Коммуникатор в режиме конфигурирования");

    const QByteArray written = command(
        port, at,
        {QByteArrayLiteral("AT+ZQSNUM="), toDeviceBytes(number), QByteArrayLiteral("\r\n")}, 6,
        false);
    if (!replyCheck(written)) {
        session.close();
        host.errorBox(QStringLiteral("Ошибка записи серийного номера!"), BoxButtons::Abort);
        return;
    }
    // The first letter is the Latin C (0x43).
    host.statusReport(QStringLiteral("C") + QStringLiteral("ерийный номер ") + number +
                      QStringLiteral(" записан"));

    if (!replyCheck(command(port, at, {QByteArrayLiteral("AT+ZQEXIT\r\n")}, 9))) {
        session.close();
        host.errorBox(QStringLiteral("Ошибка выхода из режима конфигурирования!"), BoxButtons::Abort);
        return;
    }
    report(host, " Коммуникатор в рабочем режиме");
}

void writeProductionImage(OperationContext& ctx, const QString& imagePath) {
    OperationHost& host = ctx.host;
    if (host.portName().isEmpty()) {
        host.errorBox(QStringLiteral("Не выбран COM-порт к которому подключен контроллер!"),
                      BoxButtons::Ok);
        host.focusControl(Control::PortChoice);
        return;
    }
    if (imagePath.isEmpty()) {
        host.errorBox(QStringLiteral("Не выбран файл!"), BoxButtons::Ok);
        return;
    }
    Gauge& gauge = host.gauge(GaugeId::CGauge2);
    gauge.setMin(0);
    gauge.setProgress(0);
    gauge.setMax(100);
    runFirmwareDownload(ctx, imagePath, GaugeId::CGauge2, DownloadEntry::Production);
}

}  // namespace korvel
