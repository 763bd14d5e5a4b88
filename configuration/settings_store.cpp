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

    text(FormField::MaskEdit1, "Config", QStringLiteral("PIN"));
    text(FormField::TelNumb, "Config", QStringLiteral("TEL"));
    text(FormField::SIM_About, "Config", QStringLiteral("ABOUT"));
    text(FormField::GPRS_APN, "Config", QStringLiteral("APN"));
    text(FormField::GPRS_login, "Config", QStringLiteral("LOGIN"));
    text(FormField::GPRS_pass, "Config", QStringLiteral("PASS"));

    const QString server = QStringLiteral("Server");
    for (int row = 1; row <= kServerRows; ++row) {
        form.setCell(FormGrid::StringGrid1, 0, row, QString::number(row));
        form.setCell(FormGrid::StringGrid1, 1, row, ini.readString(server, indexed("TEL", row)));
        form.setCell(FormGrid::StringGrid1, 2, row, ini.readString(server, indexed("IP", row)));
        form.setCell(FormGrid::StringGrid1, 3, row, ini.readString(server, indexed("PORT", row)));
        form.setCell(FormGrid::StringGrid1, 4, row, ini.readString(server, indexed("ABOUT", row)));
    }
    setHeaders(form, FormGrid::StringGrid1,
               {QStringLiteral("№"), QStringLiteral("Телефон"), QStringLiteral("IP адрес"),
                QStringLiteral("Порт"), QStringLiteral("Описание сервера")});

    form.setChecked(FormCheck::GPRS2_Enable,
                    ini.readInt(QStringLiteral("GPRS2"), QStringLiteral("ACTIVE"), 0) != 0);
    text(FormField::GPRS2_Period, "GPRS2", QStringLiteral("PERIOD"));
    form.setGprs2Server(ini.readInt(QStringLiteral("GPRS2"), QStringLiteral("SERVER"), 1));

    form.setChecked(FormCheck::GPRS3_Enable,
                    ini.readInt(QStringLiteral("GPRS3"), QStringLiteral("ACTIVE"), 0) != 0);
    text(FormField::GPRS3_IP_Edit, "GPRS3", QStringLiteral("IP"));
    text(FormField::GPRS3_Port_Edit, "GPRS3", QStringLiteral("PORT"));

    const QString balance = QStringLiteral("Balance");
    text(FormField::LabeledEdit1, "Balance", QStringLiteral("USSD"));
    form.setText(FormField::LabeledEdit2,
                 QString::number(ini.readInt(balance, QStringLiteral("PERIOD"), kDefaultBalance)));
    form.setText(FormField::LabeledEdit3,
                 QString::number(ini.readInt(balance, QStringLiteral("LEVEL"), kDefaultBalance)));
    text(FormField::MaskEdit6, "Balance", QStringLiteral("ALARMTEL"));

    text(FormField::SMSPass, "Config", QStringLiteral("SMSPASS"),
         QLatin1String(kDefaultSmsPassword));
    text(FormField::ComboBox1, "Port", QStringLiteral("SPEED"));

    const QString device = QStringLiteral("Device");
    for (int row = 1; row <= kDeviceRows; ++row) {
        form.setCell(FormGrid::StringGrid2, 0, row, QString::number(row));
        form.setCell(FormGrid::StringGrid2, 1, row, ini.readString(device, indexed("TYPE", row)));
        form.setCell(FormGrid::StringGrid2, 2, row,
                     ini.readString(device, indexed("ADDRESS", row)));
    }
    setHeaders(form, FormGrid::StringGrid2,
               {QStringLiteral("№"), QStringLiteral("Тип"), QStringLiteral("Адрес")});

    for (int row = 1; row <= kSmsRows; ++row) {
        form.setCell(FormGrid::StringGrid3, 0, row, QString::number(row));
        form.setCell(FormGrid::StringGrid3, 1, row,
                     ini.readString(QStringLiteral("SMS"), indexed("TEL", row)));
    }
    setHeaders(form, FormGrid::StringGrid3, {QStringLiteral("№"), QStringLiteral("Телефон")});

    text(FormField::Folder_Name, "Produce", QStringLiteral("FW_FOLDER"));
    text(FormField::SerialNumberEdit, "Produce", QStringLiteral("LAST_SERIAL"));
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

    text("Config", QStringLiteral("PIN"), FormField::MaskEdit1);
    text("Config", QStringLiteral("TEL"), FormField::TelNumb);
    text("Config", QStringLiteral("ABOUT"), FormField::SIM_About);
    text("Config", QStringLiteral("APN"), FormField::GPRS_APN);
    text("Config", QStringLiteral("LOGIN"), FormField::GPRS_login);
    text("Config", QStringLiteral("PASS"), FormField::GPRS_pass);

    const QString server = QStringLiteral("Server");
    for (int row = 1; row <= kServerRows; ++row) {
        ini.writeString(server, indexed("TEL", row), form.cell(FormGrid::StringGrid1, 1, row));
        ini.writeString(server, indexed("IP", row), form.cell(FormGrid::StringGrid1, 2, row));
        ini.writeString(server, indexed("PORT", row), form.cell(FormGrid::StringGrid1, 3, row));
        ini.writeString(server, indexed("ABOUT", row), form.cell(FormGrid::StringGrid1, 4, row));
    }

    flag("GPRS2", FormCheck::GPRS2_Enable);
    text("GPRS2", QStringLiteral("PERIOD"), FormField::GPRS2_Period);
    ini.writeString(QStringLiteral("GPRS2"), QStringLiteral("SERVER"),
                    QString::number(form.gprs2Server()));

    flag("GPRS3", FormCheck::GPRS3_Enable);
    text("GPRS3", QStringLiteral("IP"), FormField::GPRS3_IP_Edit);
    text("GPRS3", QStringLiteral("PORT"), FormField::GPRS3_Port_Edit);

    text("Balance", QStringLiteral("USSD"), FormField::LabeledEdit1);
    number(QStringLiteral("PERIOD"), FormField::LabeledEdit2);
    number(QStringLiteral("LEVEL"), FormField::LabeledEdit3);
    text("Balance", QStringLiteral("ALARMTEL"), FormField::MaskEdit6);

    text("Config", QStringLiteral("SMSPASS"), FormField::SMSPass);
    text("Port", QStringLiteral("SPEED"), FormField::ComboBox1);

    const QString device = QStringLiteral("Device");
    for (int row = 1; row <= kDeviceRows; ++row) {
        ini.writeString(device, indexed("TYPE", row), form.cell(FormGrid::StringGrid2, 1, row));
        ini.writeString(device, indexed("ADDRESS", row), form.cell(FormGrid::StringGrid2, 2, row));
    }
    for (int row = 1; row <= kSmsRows; ++row) {
        ini.writeString(QStringLiteral("SMS"), indexed("TEL", row),
                        form.cell(FormGrid::StringGrid3, 1, row));
    }

    text("Produce", QStringLiteral("FW_FOLDER"), FormField::Folder_Name);
    text("Produce", QStringLiteral("LAST_SERIAL"), FormField::SerialNumberEdit);

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
