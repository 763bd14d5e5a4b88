#include "settings_store.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "ini_file.h"

namespace korvel {

namespace {

constexpr int kServerRows = 5;
constexpr int kDeviceRows = 32;
constexpr int kSmsRows = 2;
constexpr int kDefaultBalance = 10;
const char* const kDefaultSmsPassword = "5729";

QString indexed(const char* name, int row) { return QLatin1String(name) + QString::number(row); }

// A decimal integer with an optional sign and nothing else.
std::optional<int> strictDecimal(const QString& text) {
    if (text.isEmpty()) return std::nullopt;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool sign = i == 0 && (c == u'-' || c == u'+') && text.size() > 1;
        if (!sign && (c < u'0' || c > u'9')) return std::nullopt;
    }
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok) return std::nullopt;
    return value;
}

void setHeaders(ConfigForm& form, FormGrid grid, const QStringList& headers) {
    for (int column = 0; column < headers.size(); ++column)
        form.setCell(grid, column, 0, headers[column]);
}

}  // namespace

QString settingsFilePath(const QString& executablePath) {
    const int slash = qMax(executablePath.lastIndexOf(u'/'), executablePath.lastIndexOf(u'\\'));
    const int dot = executablePath.lastIndexOf(u'.');
    const QString base = dot > slash ? executablePath.left(dot) : executablePath;
    return base + QStringLiteral(".INI");
}

void loadSettings(const QString& path, ConfigForm& form) {
    IniFile ini;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) ini = IniFile::fromBytes(file.readAll());

    auto text = [&](FormField field, const char* section, const QString& key,
                    const QString& def = QString()) {
        form.setText(field, ini.readString(QLatin1String(section), key, def));
    };

    text(FormField::SimPin, "Config", QStringLiteral("PIN"));
    text(FormField::SimTelephone, "Config", QStringLiteral("TEL"));
    text(FormField::ObjectDescription, "Config", QStringLiteral("ABOUT"));
    text(FormField::GprsAccessPoint, "Config", QStringLiteral("APN"));
    text(FormField::GprsLogin, "Config", QStringLiteral("LOGIN"));
    text(FormField::GprsPassword, "Config", QStringLiteral("PASS"));

    const QString server = QStringLiteral("Server");
    for (int row = 1; row <= kServerRows; ++row) {
        form.setCell(FormGrid::Servers, 0, row, QString::number(row));
        form.setCell(FormGrid::Servers, 1, row, ini.readString(server, indexed("TEL", row)));
        form.setCell(FormGrid::Servers, 2, row, ini.readString(server, indexed("IP", row)));
        form.setCell(FormGrid::Servers, 3, row, ini.readString(server, indexed("PORT", row)));
        form.setCell(FormGrid::Servers, 4, row, ini.readString(server, indexed("ABOUT", row)));
    }
    setHeaders(form, FormGrid::Servers,
               {QStringLiteral("№"), QStringLiteral("Телефон"), QStringLiteral("IP адрес"),
                QStringLiteral("Порт"), QStringLiteral("Описание сервера")});

    form.setChecked(FormCheck::Gprs2Enabled,
                    ini.readInt(QStringLiteral("GPRS2"), QStringLiteral("ACTIVE"), 0) != 0);
    text(FormField::Gprs2Period, "GPRS2", QStringLiteral("PERIOD"));
    form.setGprs2Server(ini.readInt(QStringLiteral("GPRS2"), QStringLiteral("SERVER"), 1));

    form.setChecked(FormCheck::Gprs3Enabled,
                    ini.readInt(QStringLiteral("GPRS3"), QStringLiteral("ACTIVE"), 0) != 0);
    text(FormField::Gprs3Address, "GPRS3", QStringLiteral("IP"));
    text(FormField::Gprs3Port, "GPRS3", QStringLiteral("PORT"));

    const QString balance = QStringLiteral("Balance");
    text(FormField::BalanceUssd, "Balance", QStringLiteral("USSD"));
    form.setText(FormField::BalancePeriod,
                 QString::number(ini.readInt(balance, QStringLiteral("PERIOD"), kDefaultBalance)));
    form.setText(FormField::BalanceThreshold,
                 QString::number(ini.readInt(balance, QStringLiteral("LEVEL"), kDefaultBalance)));
    text(FormField::BalanceAlarmTelephone, "Balance", QStringLiteral("ALARMTEL"));

    text(FormField::SmsPassword, "Config", QStringLiteral("SMSPASS"),
         QLatin1String(kDefaultSmsPassword));
    text(FormField::Rs485Speed, "Port", QStringLiteral("SPEED"));

    const QString device = QStringLiteral("Device");
    for (int row = 1; row <= kDeviceRows; ++row) {
        form.setCell(FormGrid::Meters, 0, row, QString::number(row));
        form.setCell(FormGrid::Meters, 1, row, ini.readString(device, indexed("TYPE", row)));
        form.setCell(FormGrid::Meters, 2, row,
                     ini.readString(device, indexed("ADDRESS", row)));
    }
    setHeaders(form, FormGrid::Meters,
               {QStringLiteral("№"), QStringLiteral("Тип"), QStringLiteral("Адрес")});

    for (int row = 1; row <= kSmsRows; ++row) {
        form.setCell(FormGrid::AlarmNumbers, 0, row, QString::number(row));
        form.setCell(FormGrid::AlarmNumbers, 1, row,
                     ini.readString(QStringLiteral("SMS"), indexed("TEL", row)));
    }
    setHeaders(form, FormGrid::AlarmNumbers, {QStringLiteral("№"), QStringLiteral("Телефон")});

    text(FormField::FirmwareFolder, "Produce", QStringLiteral("FW_FOLDER"));
    text(FormField::ProductionSerialNumber, "Produce", QStringLiteral("LAST_SERIAL"));
}

SaveSettingsResult saveSettings(const QString& path, const ConfigForm& form) {
    SaveSettingsResult result;
    auto fail = [&](const QString& reason) {
        result.written = false;
        result.error = QStringLiteral("Не удалось записать файл настроек ") + path;
        if (!reason.isEmpty()) result.error += QStringLiteral(": ") + reason;
        return result;
    };

    // The file's other content (comments, unknown keys, order) is kept, so an
    // existing file that cannot be read is not overwritten.
    IniFile ini;
    const bool existed = QFileInfo::exists(path);
    if (existed) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return fail(file.errorString());
        ini = IniFile::fromBytes(file.readAll());
    }

    auto text = [&](const char* section, const QString& key, FormField field) {
        ini.writeString(QLatin1String(section), key, form.text(field));
    };
    auto flag = [&](const char* section, FormCheck box) {
        ini.writeString(QLatin1String(section), QStringLiteral("ACTIVE"),
                        form.isChecked(box) ? QStringLiteral("1") : QStringLiteral("0"));
    };
    // A balance number that is not a decimal integer leaves its key as it was.
    auto number = [&](const QString& key, FormField field) {
        if (const auto value = strictDecimal(form.text(field))) {
            ini.writeString(QStringLiteral("Balance"), key, QString::number(*value));
        }
    };

    text("Config", QStringLiteral("PIN"), FormField::SimPin);
    text("Config", QStringLiteral("TEL"), FormField::SimTelephone);
    text("Config", QStringLiteral("ABOUT"), FormField::ObjectDescription);
    text("Config", QStringLiteral("APN"), FormField::GprsAccessPoint);
    text("Config", QStringLiteral("LOGIN"), FormField::GprsLogin);
    text("Config", QStringLiteral("PASS"), FormField::GprsPassword);

    const QString server = QStringLiteral("Server");
    for (int row = 1; row <= kServerRows; ++row) {
        ini.writeString(server, indexed("TEL", row), form.cell(FormGrid::Servers, 1, row));
        ini.writeString(server, indexed("IP", row), form.cell(FormGrid::Servers, 2, row));
        ini.writeString(server, indexed("PORT", row), form.cell(FormGrid::Servers, 3, row));
        ini.writeString(server, indexed("ABOUT", row), form.cell(FormGrid::Servers, 4, row));
    }

    flag("GPRS2", FormCheck::Gprs2Enabled);
    text("GPRS2", QStringLiteral("PERIOD"), FormField::Gprs2Period);
    ini.writeString(QStringLiteral("GPRS2"), QStringLiteral("SERVER"),
                    QString::number(form.gprs2Server()));

    flag("GPRS3", FormCheck::Gprs3Enabled);
    text("GPRS3", QStringLiteral("IP"), FormField::Gprs3Address);
    text("GPRS3", QStringLiteral("PORT"), FormField::Gprs3Port);

    text("Balance", QStringLiteral("USSD"), FormField::BalanceUssd);
    number(QStringLiteral("PERIOD"), FormField::BalancePeriod);
    number(QStringLiteral("LEVEL"), FormField::BalanceThreshold);
    text("Balance", QStringLiteral("ALARMTEL"), FormField::BalanceAlarmTelephone);

    text("Config", QStringLiteral("SMSPASS"), FormField::SmsPassword);
    text("Port", QStringLiteral("SPEED"), FormField::Rs485Speed);

    const QString device = QStringLiteral("Device");
    for (int row = 1; row <= kDeviceRows; ++row) {
        ini.writeString(device, indexed("TYPE", row), form.cell(FormGrid::Meters, 1, row));
        ini.writeString(device, indexed("ADDRESS", row), form.cell(FormGrid::Meters, 2, row));
    }
    for (int row = 1; row <= kSmsRows; ++row) {
        ini.writeString(QStringLiteral("SMS"), indexed("TEL", row),
                        form.cell(FormGrid::AlarmNumbers, 1, row));
    }

    text("Produce", QStringLiteral("FW_FOLDER"), FormField::FirmwareFolder);
    text("Produce", QStringLiteral("LAST_SERIAL"), FormField::ProductionSerialNumber);

    // The new content replaces the file in one step; the settings hold
    // passwords, so a new file is readable by its owner only.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) return fail(out.errorString());
    if (!existed) out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray bytes = ini.toBytes();
    if (out.write(bytes) != bytes.size()) {
        const QString reason = out.errorString();
        out.cancelWriting();
        return fail(reason);
    }
    if (!out.commit()) return fail(out.errorString());
    return result;
}

}  // namespace korvel
