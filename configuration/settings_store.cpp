#include "configuration/settings_store.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "configuration/ini_file.h"
#include "configuration/text_rules.h"

namespace korvel {

namespace {

constexpr int kServerRows = 5;
constexpr int kDeviceRows = 32;
constexpr int kSmsRows = 2;
constexpr int kDefaultBalance = 10;
const char* const kDefaultSmsPassword = "5729";

QString indexed(const char* name, int row) { return QLatin1String(name) + QString::number(row); }

// What a settings key holds and how the form shows it.
enum class KeyKind {
    Text,           // a field's text, as it stands
    Switch,         // a GPRS switch: "1" on, "0" off (any non-zero number reads as on)
    ServerNumber,   // GPRS variant 2's server number
    BalanceNumber,  // a balance number: a decimal integer; other text leaves the key as it was
    TableRows,      // one key per row and column of a table: PREFIX1, PREFIX2, ...
};

struct TableColumn {
    const char* keyPrefix;
    int column;
};

const TableColumn kServerColumns[] = {{"TEL", 1}, {"IP", 2}, {"PORT", 3}, {"ABOUT", 4}};
const TableColumn kMeterColumns[] = {{"TYPE", 1}, {"ADDRESS", 2}};
const TableColumn kAlarmNumberColumns[] = {{"TEL", 1}};

struct SettingsKey {
    const char* section;
    const char* key;  // unused for TableRows
    KeyKind kind;
    FormField field = FormField::SimPin;      // Text, BalanceNumber
    FormCheck check = FormCheck::Gprs2Enabled;  // Switch
    const char* defaultText = "";            // Text
    FormGrid grid = FormGrid::Servers;         // TableRows
    const TableColumn* columns = nullptr;
    int columnCount = 0;
    int rows = 0;
};

template <int N>
SettingsKey tableKeys(const char* section, FormGrid grid, const TableColumn (&columns)[N],
                      int rows) {
    SettingsKey key{section, "", KeyKind::TableRows};
    key.grid = grid;
    key.columns = columns;
    key.columnCount = N;
    key.rows = rows;
    return key;
}

SettingsKey textKey(const char* section, const char* key, FormField field,
                    const char* defaultText = "") {
    SettingsKey k{section, key, KeyKind::Text};
    k.field = field;
    k.defaultText = defaultText;
    return k;
}

SettingsKey switchKey(const char* section, FormCheck check) {
    SettingsKey k{section, "ACTIVE", KeyKind::Switch};
    k.check = check;
    return k;
}

SettingsKey balanceKey(const char* key, FormField field) {
    SettingsKey k{"Balance", key, KeyKind::BalanceNumber};
    k.field = field;
    return k;
}

// Every key of the settings file, in the order it is read and written (a
// new file lists its sections and keys in this order).
const SettingsKey kSettingsKeys[] = {
    textKey("Config", "PIN", FormField::SimPin),
    textKey("Config", "TEL", FormField::SimTelephone),
    textKey("Config", "ABOUT", FormField::ObjectDescription),
    textKey("Config", "APN", FormField::GprsAccessPoint),
    textKey("Config", "LOGIN", FormField::GprsLogin),
    textKey("Config", "PASS", FormField::GprsPassword),
    tableKeys("Server", FormGrid::Servers, kServerColumns, kServerRows),
    switchKey("GPRS2", FormCheck::Gprs2Enabled),
    textKey("GPRS2", "PERIOD", FormField::Gprs2Period),
    SettingsKey{"GPRS2", "SERVER", KeyKind::ServerNumber},
    switchKey("GPRS3", FormCheck::Gprs3Enabled),
    textKey("GPRS3", "IP", FormField::Gprs3Address),
    textKey("GPRS3", "PORT", FormField::Gprs3Port),
    textKey("Balance", "USSD", FormField::BalanceUssd),
    balanceKey("PERIOD", FormField::BalancePeriod),
    balanceKey("LEVEL", FormField::BalanceThreshold),
    textKey("Balance", "ALARMTEL", FormField::BalanceAlarmTelephone),
    textKey("Config", "SMSPASS", FormField::SmsPassword, kDefaultSmsPassword),
    textKey("Port", "SPEED", FormField::Rs485Speed),
    tableKeys("Device", FormGrid::Meters, kMeterColumns, kDeviceRows),
    tableKeys("SMS", FormGrid::AlarmNumbers, kAlarmNumberColumns, kSmsRows),
    textKey("Produce", "FW_FOLDER", FormField::FirmwareFolder),
    textKey("Produce", "LAST_SERIAL", FormField::ProductionSerialNumber),
};

void loadKey(const IniFile& ini, const SettingsKey& k, ConfigForm& form) {
    const QString section = QLatin1String(k.section);
    const QString key = QLatin1String(k.key);
    switch (k.kind) {
        case KeyKind::Text:
            form.setText(k.field, ini.readString(section, key, QLatin1String(k.defaultText)));
            break;
        case KeyKind::Switch:
            form.setChecked(k.check, ini.readInt(section, key, 0) != 0);
            break;
        case KeyKind::ServerNumber:
            form.setGprs2Server(ini.readInt(section, key, 1));
            break;
        case KeyKind::BalanceNumber:
            form.setText(k.field, QString::number(ini.readInt(section, key, kDefaultBalance)));
            break;
        case KeyKind::TableRows:
            for (int row = 1; row <= k.rows; ++row)
                for (int c = 0; c < k.columnCount; ++c)
                    form.setCell(k.grid, k.columns[c].column, row,
                                 ini.readString(section, indexed(k.columns[c].keyPrefix, row)));
            break;
    }
}

void saveKey(const ConfigForm& form, const SettingsKey& k, IniFile& ini) {
    const QString section = QLatin1String(k.section);
    const QString key = QLatin1String(k.key);
    switch (k.kind) {
        case KeyKind::Text:
            ini.writeString(section, key, form.text(k.field));
            break;
        case KeyKind::Switch:
            ini.writeString(section, key,
                            form.isChecked(k.check) ? QStringLiteral("1") : QStringLiteral("0"));
            break;
        case KeyKind::ServerNumber:
            ini.writeString(section, key, QString::number(form.gprs2Server()));
            break;
        case KeyKind::BalanceNumber:
            if (const auto value = decimalInteger(form.text(k.field)))
                ini.writeString(section, key, QString::number(*value));
            break;
        case KeyKind::TableRows:
            for (int row = 1; row <= k.rows; ++row)
                for (int c = 0; c < k.columnCount; ++c)
                    ini.writeString(section, indexed(k.columns[c].keyPrefix, row),
                                    form.cell(k.grid, k.columns[c].column, row));
            break;
    }
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

    for (const SettingsKey& key : kSettingsKeys) loadKey(ini, key, form);

    // The tables' row numbers and headers.
    for (int row = 1; row <= kServerRows; ++row)
        form.setCell(FormGrid::Servers, 0, row, QString::number(row));
    setHeaders(form, FormGrid::Servers,
               {QStringLiteral("№"), QStringLiteral("Телефон"), QStringLiteral("IP адрес"),
                QStringLiteral("Порт"), QStringLiteral("Описание сервера")});
    for (int row = 1; row <= kDeviceRows; ++row)
        form.setCell(FormGrid::Meters, 0, row, QString::number(row));
    setHeaders(form, FormGrid::Meters,
               {QStringLiteral("№"), QStringLiteral("Тип"), QStringLiteral("Адрес")});
    for (int row = 1; row <= kSmsRows; ++row)
        form.setCell(FormGrid::AlarmNumbers, 0, row, QString::number(row));
    setHeaders(form, FormGrid::AlarmNumbers, {QStringLiteral("№"), QStringLiteral("Телефон")});
}

QString wireLogSetting(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QString();
    return IniFile::fromBytes(file.readAll())
        .readString(QStringLiteral("Support"), QStringLiteral("WIRE_LOG"))
        .trimmed();
}

SaveSettingsResult saveSettings(const QString& path, const ConfigForm& form) {
    SaveSettingsResult result;
    result.path = path;
    auto fail = [&](const QString& reason) {
        result.written = false;
        result.reason = reason;
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

    for (const SettingsKey& key : kSettingsKeys) saveKey(form, key, ini);

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
