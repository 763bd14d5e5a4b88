#include "configuration/config_parse.h"

#include "configuration/meter_types.h"

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

const QChar kCr = QLatin1Char('\r');
const QChar kComma = QLatin1Char(',');

void parseServers(const QString& reply, ConfigForm& form) {
    QString t = reply;
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

void parseMeters(const QString& reply, ConfigForm& form) {
    QString t = reply;
    for (int row = 1; row <= 32; ++row) {
        t = skipPastColon(t);
        t = skipPastComma(t);  // meter number
        const std::optional<int> code = replyInteger(fieldUpTo(t, kComma));
        if (const std::optional<QString> name = code ? meterTypeName(*code) : std::nullopt)
            form.setCell(FormGrid::Meters, 1, row, *name);
        t = skipPastComma(t);
        form.setCell(FormGrid::Meters, 2, row, fieldUpTo(t, kCr));
    }
}

void parseAlarmNumbers(const QString& reply, ConfigForm& form) {
    QString t = reply;
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
    const std::optional<int> value = replyInteger(t.left(end));
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
    if (const std::optional<int> server = replyInteger(fieldUpTo(t, kCr)))
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
    if (const std::optional<int> port = replyInteger(fieldUpTo(t, kCr)))
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

std::optional<int> replyInteger(const QString& text) { return decimalInteger(trimBlanks(text)); }

// Each query with the rule that puts its reply into the form, in the order
// the read asks them.
const ConfigQuery kConfigQueries[kQueryCount] = {
    {"AT+ZQVER",
     [](const QString& reply, ConfigForm& form) {
         form.setText(FormField::SoftwareVersion, fieldUpTo(takeAfterColon(reply, 12), kCr));
     }},
    {"AT+ZQTIME",
     [](const QString& reply, ConfigForm& form) {
         form.setText(FormField::DeviceTime, fieldUpTo(takeAfterColon(reply, 10), kCr));
     }},
    {"AT+ZQDATE",
     [](const QString& reply, ConfigForm& form) {
         form.setText(FormField::DeviceDate, fieldUpTo(takeAfterColon(reply, 12), kCr));
     }},
    {"AT+ZQPIN",
     [](const QString& reply, ConfigForm& form) {
         form.setText(FormField::SimPin, takeAfterColon(reply, 4));
     }},
    {"AT+ZQTEL",
     [](const QString& reply, ConfigForm& form) {
         form.setText(FormField::SimTelephone, takeAfterColon(reply, 10));
     }},
    {"AT+ZQSNUM",
     [](const QString& reply, ConfigForm& form) {
         form.setText(FormField::SerialNumber, takeAfterColon(reply, 8));
     }},
    {"AT+ZQSERVER", parseServers},
    {"AT+ZQAPN",
     [](const QString& reply, ConfigForm& form) {
         setLineValue(reply, FormField::GprsAccessPoint, form);
     }},
    {"AT+ZQUSER",
     [](const QString& reply, ConfigForm& form) { setLineValue(reply, FormField::GprsLogin, form); }},
    {"AT+ZQPASS",
     [](const QString& reply, ConfigForm& form) {
         setLineValue(reply, FormField::GprsPassword, form);
     }},
    {"AT+ZQBALANCE", parseBalance},
    {"AT+ZQPORT",
     [](const QString& reply, ConfigForm& form) { setLineValue(reply, FormField::Rs485Speed, form); }},
    {"AT+ZQDEVICE", parseMeters},
    {"AT+ZQSMSPASS",
     [](const QString& reply, ConfigForm& form) {
         setLineValue(reply, FormField::SmsPassword, form);
     }},
    {"AT+ZQERRSMS", parseAlarmNumbers},
    {"AT+ZQGPRS2", parseGprs2},
    {"AT+ZQGPRS3", parseGprs3},
};

void parseQueryReply(int index, const QString& reply, ConfigForm& form) {
    if (index >= 0 && index < kQueryCount) kConfigQueries[index].putReply(reply, form);
}

}  // namespace korvel
