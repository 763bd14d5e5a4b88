#include "device_link/clock_commands.h"

#include <QRegularExpression>
#include <chrono>

#include "device_link/text_codec.h"

namespace korvel {

namespace {
QString twoDigits(int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); }
}  // namespace

QString timeText(const QTime& time, const QString& timeSeparator) {
    return twoDigits(time.hour()) + timeSeparator + twoDigits(time.minute()) + timeSeparator +
           twoDigits(time.second());
}

QString dateText(const QDate& date, const QString& shortDatePattern) {
    // Formatted with the C locale so that only the pattern decides the text.
    return QLocale::c().toString(date, shortDatePattern);
}

namespace {
// The C/POSIX locale carries no regional settings of its own; there the
// communicator gets the Russian forms its users have on Windows.
bool hasNoRegionalSettings(const QLocale& locale) { return locale.language() == QLocale::C; }
}  // namespace

QString regionalTimeSeparator(const QLocale& locale) {
    if (hasNoRegionalSettings(locale)) return QStringLiteral(":");
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    const qsizetype hours = format.indexOf(QRegularExpression(QStringLiteral("[hH]")));
    if (hours >= 0) {
        for (qsizetype i = hours; i < format.size(); ++i) {
            const QChar c = format.at(i);
            if (c == QLatin1Char('h') || c == QLatin1Char('H')) continue;
            if (!c.isLetter() && !c.isSpace()) return QString(c);
            break;
        }
    }
    return QStringLiteral(":");
}

QString regionalShortDatePattern(const QLocale& locale) {
    if (hasNoRegionalSettings(locale)) return QStringLiteral("dd.MM.yyyy");
    return locale.dateFormat(QLocale::ShortFormat);
}

QDateTime localNow(Clock& clock) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        clock.now().time_since_epoch())
                        .count();
    return QDateTime::fromMSecsSinceEpoch(ms).toLocalTime();
}

Verdict timeCommandStep(AtDialogue& at, Clock& clock, Gauge* progress, const QLocale& locale) {
    const QString text = timeText(localNow(clock).time(), regionalTimeSeparator(locale));
    return at.commandStep({QByteArrayLiteral("AT+ZQTIME="), toDeviceBytes(text), "\r\n"},
                          QStringLiteral("AT+ZQTIME=") + text, progress);
}

Verdict dateCommandStep(AtDialogue& at, Clock& clock, Gauge* progress, const QLocale& locale) {
    const QString text = dateText(localNow(clock).date(), regionalShortDatePattern(locale));
    return at.commandStep({QByteArrayLiteral("AT+ZQDATE="), toDeviceBytes(text), "\r\n"},
                          QStringLiteral("AT+ZQDATE=") + text, progress);
}

}  // namespace korvel
