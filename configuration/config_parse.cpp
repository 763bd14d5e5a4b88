#include "config_parse.h"

#include <QStringList>

namespace korvel {

namespace {

// T from the 0-based position `start` to its end; empty past the end.
QString tailFrom(const QString& t, qsizetype start) {
    if (start >= t.size()) return QString();
    return t.mid(start);
}

// Where the text after "<name>: " starts: two past the first colon, or the
// second character when there is no colon.
qsizetype afterColon(const QString& t) {
    const qsizetype colon = t.indexOf(QLatin1Char(':'));
    return colon < 0 ? 1 : colon + 2;
}

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

const QChar kCr = QLatin1Char('\r');
const QChar kComma = QLatin1Char(',');

void parseServers(QString t, ConfigForm& form) {
    for (int row = 1; row <= 5; ++row) {
        t = skipPastColon(t);
        t = skipPastComma(t);  // server number
        t = skipPastComma(t);  // in-use flag
        form.setCell(FormGrid::Servers, 1, row, fieldUpTo(t, kComma));
        t = skipPastComma(t);
        form.setCell(FormGrid::Servers, 2, row, fieldUpTo(t, kComma));
        t = skipPastComma(t);
        form.setCell(FormGrid::Servers, 3, row, fieldUpTo(t, kComma));
        t = skipPastComma(t);
        // The device keeps blanks of a description as "_".  T stays at the
        // description: the next row looks for the colon of the next line.
        QString description = fieldUpTo(t, kCr);
        description.replace(QLatin1Char('_'), QLatin1Char(' '));
        form.setCell(FormGrid::Servers, 4, row, description);
    }
}

void parseInstruments(QString t, ConfigForm& form) {
    const QStringList types = form.meterTypes();
    for (int row = 1; row <= 32; ++row) {
        t = skipPastColon(t);
        t = skipPastComma(t);  // instrument number
        const std::optional<int> code = decimalInteger(fieldUpTo(t, kComma));
        if (code && *code >= 0 && *code <= 2 && *code < types.size())
            form.setCell(FormGrid::Meters, 1, row, types.at(*code));
        t = skipPastComma(t);
        form.setCell(FormGrid::Meters, 2, row, fieldUpTo(t, kCr));
    }
}

void parseAlarms(QString t, ConfigForm& form) {
    for (int row = 1; row <= 2; ++row) {
        t = skipPastColon(t);
        t = skipPastComma(t);  // number
        t = skipPastComma(t);  // in-use flag
        form.setCell(FormGrid::AlarmNumbers, 1, row, fieldUpTo(t, kCr));
    }
}

// The leading number of a GPRS variant reply: the text before the first ","
// (or, without one, before the first "\r").  Returns the number and leaves T
// just after that separator.
std::optional<int> leadingNumber(QString& t) {
    qsizetype end = t.indexOf(kComma);
    if (end < 0) end = t.indexOf(kCr);
    if (end < 0) return std::nullopt;  // no separator: no number to read
    const std::optional<int> value = decimalInteger(t.left(end));
    t = tailFrom(t, end + 1);
    return value;
}

void parseGprs2(const QString& reply, ConfigForm& form) {
    QString t = skipPastColon(reply);
    const std::optional<int> period = leadingNumber(t);
    if (!period) return;
    if (*period == 0) {
        // Period 0 means the variant is off; period and server keep their text.
        form.setChecked(FormCheck::Gprs2Enabled, false);
        return;
    }
    form.setChecked(FormCheck::Gprs2Enabled, true);
    form.setText(FormField::Gprs2Period, QString::number(*period));
    if (const std::optional<int> server = decimalInteger(fieldUpTo(t, kCr)))
        form.setGprs2Server(*server);
}

void parseGprs3(const QString& reply, ConfigForm& form) {
    QString t = skipPastColon(reply);
    const std::optional<int> flag = leadingNumber(t);
    if (!flag) return;
    if (*flag != 1) {
        form.setChecked(FormCheck::Gprs3Enabled, false);
        return;
    }
    form.setChecked(FormCheck::Gprs3Enabled, true);
    form.setText(FormField::Gprs3Address, fieldUpTo(t, kComma));
    t = skipPastComma(t);
    if (const std::optional<int> port = decimalInteger(fieldUpTo(t, kCr)))
        form.setText(FormField::Gprs3Port, QString::number(*port));
}

void parseBalance(const QString& reply, ConfigForm& form) {
    QString t = skipPastColon(reply);
    form.setText(FormField::BalanceUssd, fieldUpTo(t, kComma));
    t = skipPastComma(t);
    form.setText(FormField::BalancePeriod, fieldUpTo(t, kComma));
    t = skipPastComma(t);
    form.setText(FormField::BalanceThreshold, fieldUpTo(t, kComma));
    t = skipPastComma(t);
    form.setText(FormField::BalanceAlarmTelephone, fieldUpTo(t, kCr));
}

void setLineValue(const QString& reply, FormField field, ConfigForm& form) {
    form.setText(field, fieldUpTo(skipPastColon(reply), kCr));
}

}  // namespace

QString skipPastColon(const QString& t) { return tailFrom(t, afterColon(t)); }

QString takeAfterColon(const QString& t, int k) {
    const qsizetype start = afterColon(t);
    if (start >= t.size() || k <= 0) return QString();
    return t.mid(start, k);
}

QString skipPastComma(const QString& t) {
    const qsizetype comma = t.indexOf(kComma);
    return comma < 0 ? t : tailFrom(t, comma + 1);
}

QString fieldUpTo(const QString& t, QChar x) {
    const qsizetype at = t.indexOf(x);
    return at < 0 ? QString() : t.left(at);
}

std::optional<int> decimalInteger(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && isBlank(text.at(begin))) ++begin;
    while (end > begin && isBlank(text.at(end - 1))) --end;
    qsizetype digits = begin;
    if (digits < end &&
        (text.at(digits) == QLatin1Char('+') || text.at(digits) == QLatin1Char('-')))
        ++digits;
    if (digits == end) return std::nullopt;
    for (qsizetype i = digits; i < end; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9') return std::nullopt;
    }
    bool ok = false;
    const int value = text.mid(begin, end - begin).toInt(&ok, 10);
    if (!ok) return std::nullopt;
    return value;
}

void parseQueryReply(int index, const QString& reply, ConfigForm& form) {
    switch (index) {
        case 0:
            form.setText(FormField::SoftwareVersion, fieldUpTo(takeAfterColon(reply, 12), kCr));
            break;
        case 1:
            form.setText(FormField::DeviceTime, fieldUpTo(takeAfterColon(reply, 10), kCr));
            break;
        case 2:
            form.setText(FormField::DeviceDate, fieldUpTo(takeAfterColon(reply, 12), kCr));
            break;
        case 3:
            form.setText(FormField::SimPin, takeAfterColon(reply, 4));
            break;
        case 4:
            form.setText(FormField::SimTelephone, takeAfterColon(reply, 10));
            break;
        case 5:
            form.setText(FormField::SerialNumber, takeAfterColon(reply, 8));
            break;
        case 6:
            parseServers(reply, form);
            break;
        case 7:
            setLineValue(reply, FormField::GprsAccessPoint, form);
            break;
        case 8:
            setLineValue(reply, FormField::GprsLogin, form);
            break;
        case 9:
            setLineValue(reply, FormField::GprsPassword, form);
            break;
        case 10:
            parseBalance(reply, form);
            break;
        case 11:
            setLineValue(reply, FormField::Rs485Speed, form);
            break;
        case 12:
            parseInstruments(reply, form);
            break;
        case 13:
            setLineValue(reply, FormField::SmsPassword, form);
            break;
        case 14:
            parseAlarms(reply, form);
            break;
        case 15:
            parseGprs2(reply, form);
            break;
        case 16:
            parseGprs3(reply, form);
            break;
        default:
            break;
    }
}

}  // namespace korvel
