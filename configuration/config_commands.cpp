#include "configuration/config_commands.h"

#include "configuration/meter_types.h"

#include "configuration/config_parse.h"
#include "device_link/text_codec.h"

namespace korvel {

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");
const QString kTenBlanks = QString(10, QLatin1Char(' '));

// Collects the pieces and the log line of one command side by side.
class Builder {
public:
    explicit Builder(const char* prefix) : log_(QString::fromLatin1(prefix)) {
        pieces_.push_back(QByteArray(prefix));
    }
    // A piece that is sent and logged alike.
    Builder& add(const QString& text) { return add(text, text); }
    // A piece whose log text differs from what is sent.
    Builder& add(const QString& sent, const QString& logged) {
        return addBytes(toDeviceBytes(sent), logged);
    }
    Builder& addBytes(const QByteArray& sent, const QString& logged) {
        pieces_.push_back(sent);
        log_ += logged;
        return *this;
    }
    ConfigCommand done() {
        pieces_.push_back(kLineEnd);
        return {pieces_, log_};
    }

private:
    Pieces pieces_;
    QString log_;
};

QString field(const ConfigForm& form, FormField f) { return commandValue(form.text(f)); }

QString cell(const ConfigForm& form, FormGrid grid, int column, int row) {
    return commandValue(form.cell(grid, column, row));
}

QString rowDigit(int row) { return QString(QChar(u'0' + row)); }

ConfigCommand single(const char* prefix, const ConfigForm& form, FormField f) {
    return Builder(prefix).add(field(form, f)).done();
}

bool telephoneInUse(const QString& telephone) {
    return !telephone.isEmpty() && telephone != kTenBlanks;
}

}  // namespace

QString commandValue(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        if (c.category() != QChar::Other_Control) out += c;
    return out;
}

bool serverRowInUse(const ConfigForm& form, int row) {
    return telephoneInUse(form.cell(FormGrid::Servers, 1, row));
}

bool deviceRowInUse(const ConfigForm& form, int row) {
    return !form.cell(FormGrid::Meters, 1, row).isEmpty();
}

bool alarmRowInUse(const ConfigForm& form, int row) {
    return telephoneInUse(form.cell(FormGrid::AlarmNumbers, 1, row));
}

ConfigCommand pinCommand(const ConfigForm& form) {
    return single("AT+ZQPIN=", form, FormField::SimPin);
}

ConfigCommand telCommand(const ConfigForm& form) {
    return single("AT+ZQTEL=", form, FormField::SimTelephone);
}

ConfigCommand apnCommand(const ConfigForm& form) {
    return single("AT+ZQAPN=", form, FormField::GprsAccessPoint);
}

ConfigCommand userCommand(const ConfigForm& form) {
    return single("AT+ZQUSER=", form, FormField::GprsLogin);
}

ConfigCommand passCommand(const ConfigForm& form) {
    return single("AT+ZQPASS=", form, FormField::GprsPassword);
}

ConfigCommand serverCommand(const ConfigForm& form, int row) {
    const FormGrid g = FormGrid::Servers;
    Builder b("AT+ZQSERVER=");
    b.add(rowDigit(row), cell(form, g, 0, row));
    if (!serverRowInUse(form, row))
        return b.add(QStringLiteral(",0,"))
            .add(QStringLiteral(","))
            .add(QStringLiteral(","))
            .add(QStringLiteral(","))
            .done();
    // The device keeps a description of at most 20 bytes without blanks; the
    // log shows it whole.
    QString description = cell(form, g, 4, row);
    description.replace(QLatin1Char(' '), QLatin1Char('_'));
    return b.add(QStringLiteral(",1,"))
        .add(cell(form, g, 1, row))
        .add(QStringLiteral(","))
        .add(cell(form, g, 2, row))
        .add(QStringLiteral(","))
        .add(cell(form, g, 3, row))
        .add(QStringLiteral(","))
        .addBytes(toDeviceBytes(description).left(kServerDescriptionBytes), description)
        .done();
}

ConfigCommand balanceCommand(const ConfigForm& form) {
    return Builder("AT+ZQBALANCE=")
        .add(field(form, FormField::BalanceUssd))
        .add(QStringLiteral(","))
        .add(field(form, FormField::BalancePeriod))
        .add(QStringLiteral(","))
        .add(field(form, FormField::BalanceThreshold))
        .add(QStringLiteral(","))
        .add(field(form, FormField::BalanceAlarmTelephone))
        .done();
}

ConfigCommand portCommand(const ConfigForm& form) {
    return single("AT+ZQPORT=", form, FormField::Rs485Speed);
}

ConfigCommand deviceCommand(const ConfigForm& form, int row) {
    const FormGrid g = FormGrid::Meters;
    Builder b("AT+ZQDEVICE=");
    b.add(cell(form, g, 0, row));
    if (!deviceRowInUse(form, row))
        return b.add(QStringLiteral(","))
            .add(QStringLiteral("0"))
            .add(QStringLiteral(","))
            .add(QStringLiteral("0"))
            .done();
    const QString typeName = cell(form, g, 1, row);
    return b.add(QStringLiteral(","))
        .add(meterTypeCode(typeName), typeName)
        .add(QStringLiteral(","))
        .add(cell(form, g, 2, row))
        .done();
}

ConfigCommand smsPassCommand(const ConfigForm& form) {
    return single("AT+ZQSMSPASS=", form, FormField::SmsPassword);
}

ConfigCommand alarmCommand(const ConfigForm& form, int row) {
    const FormGrid g = FormGrid::AlarmNumbers;
    Builder b("AT+ZQERRSMS=");
    b.add(rowDigit(row), cell(form, g, 0, row));
    if (!alarmRowInUse(form, row)) return b.add(QStringLiteral(",0,")).done();
    return b.add(QStringLiteral(",1,")).add(cell(form, g, 1, row)).done();
}

ConfigCommand gprs2Command(const ConfigForm& form) {
    Builder b("AT+ZQGPRS2=");
    if (!form.isChecked(FormCheck::Gprs2Enabled)) return b.add(QStringLiteral("0")).done();
    return b.add(field(form, FormField::Gprs2Period))
        .add(QStringLiteral(","))
        .add(QString::number(form.gprs2Server()))
        .done();
}

ConfigCommand gprs3Command(const ConfigForm& form) {
    Builder b("AT+ZQGPRS3=");
    if (!form.isChecked(FormCheck::Gprs3Enabled)) return b.add(QStringLiteral("0")).done();
    return b.add(QStringLiteral("1,"))
        .add(field(form, FormField::Gprs3Address))
        .add(QStringLiteral(","))
        .add(field(form, FormField::Gprs3Port))
        .done();
}

Pieces queryPieces(int index) {
    if (index < 0 || index >= kQueryCount) return {};
    return {QByteArray(kConfigQueries[index].command), QByteArrayLiteral("?\r\n")};
}

}  // namespace korvel
