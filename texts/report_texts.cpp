#include "texts/report_texts.h"

#include <QStringList>

#include "configuration/config_read.h"
#include "configuration/config_write.h"
#include "firmware/firmware_download.h"
#include "production/module_operations.h"

namespace korvel {

namespace {

// Each status's words; "%1" stands for its detail.
const struct {
    Status status;
    const char* text;
} kStatusTexts[] = {
    {status::ReadingConfiguration, " Чтение конфигурации"},
    {status::ConfigurationRead, " Конфигурация прочитана"},
    {status::ConfigurationReadPartly, " Конфигурация прочитана не полностью"},
    {status::ConfigurationNotRead, " Конфигурация не прочитана"},
    {status::ConfigurationWritten, " Конфигурация записана"},
    {status::ConfigurationNotWritten, " Конфигурация не записана"},
    {status::PortOpened, " Порт открыт"},
    {status::PortSettingsSet, " Параметры порта установлены"},
    {status::ControllerInDownloadMode, " Контроллер переведен в режим обновления ПО"},
    {status::CommunicatorInDownloadMode, " Коммуникатор переведен в режим обновления ПО"},
    {status::UpdatingFirmware, " Обновление ПО"},
    {status::ImageOpened, " Файл ПО открыт. Длинна %1 байт"},
    {status::AwaitingModuleRequest, " Ожидание запроса модуля на передачу"},
    {status::ControllerRestarted, " Сброс контроллера"},
    {status::CommunicatorRestarted, " Сброс коммуникатора"},
    {status::CommunicatorWorking, " Коммуникатор в рабочем режиме"},
    {status::CommunicatorInConfigMode, " Коммуникатор в режиме конфигурирования"},
    {status::CoreVersion, " Версия ПО ядра: %1"},
    {status::ModuleType, " Тип модуля: %1"},
    {status::ApplicationStarted, " Приложение запущено"},
    {status::ApplicationVersion, "Версия ПО: %1"},
    {status::ApplicationStopped, " Приложение остановлено"},
    {status::FlashObjectsErased, " Flash-объекты удалены"},
    {status::ApplicationErased, " Приложение удалено"},
    // The first letter is the Latin C (0x43).
    {status::SerialNumberWritten, "Cерийный номер %1 записан"},
};

}  // namespace

QString statusText(Status status, const QString& detail) {
    if (status == status::FirmwareNotWritten)
        return QStringLiteral(" ПО не записано: ") + transferFailureText(detail);
    for (const auto& row : kStatusTexts) {
        if (row.status != status) continue;
        const QString text = QString::fromUtf8(row.text);
        return text.contains(QLatin1String("%1")) ? text.arg(detail) : text;
    }
    // A report that has no words yet shows its key rather than nothing.
    return QString::fromLatin1(status.key);
}

bool statusLogged(Status status) { return status != status::AwaitingModuleRequest; }

namespace {

const char kFileOperationText[] =
    "Can't perform one of the following file operations: Open, Seek, Read, Close.";

BoxText errorBox(const QString& text, BoxButtons buttons = BoxButtons::Abort) {
    return BoxText{QStringLiteral("Ошибка"), text, buttons, true};
}

BoxText fileErrorBox(const QString& text) {
    return BoxText{QStringLiteral("File Error"), text, BoxButtons::OkCancel, false};
}

QString busyText(const std::vector<PortHolder>& holders, const QString& portName) {
    QString text = QStringLiteral("Порт занят другой программой");
    if (holders.empty()) return text + QLatin1Char('.');
    QStringList names;
    bool modemManager = false;
    for (const PortHolder& h : holders) {
        names << QStringLiteral("%1 (PID %2)").arg(QString::fromStdString(h.program)).arg(h.pid);
        modemManager = modemManager || isModemManager(h);
    }
    text += QStringLiteral(": ") + names.join(QStringLiteral(", ")) + QLatin1Char('.');
    if (modemManager)
        text += QStringLiteral(
                    "\nСлужба ModemManager опрашивает порт, приняв коммуникатор за модем. Чтобы "
                    "она не трогала этот адаптер, задайте для него правило udev "
                    "ENV{ID_MM_DEVICE_IGNORE}=\"1\": sudo korvel-mm-ignore %1, затем "
                    "переподключите адаптер.")
                    .arg(portName);
    return text;
}

// Each box's kind and words; the port-unusable box adds its reason.
enum class BoxKind { Error, File };
const struct {
    Box box;
    BoxKind kind;
    const char* text;
    BoxButtons buttons;
} kBoxTexts[] = {
    {box::NoPortChosen, BoxKind::Error, "Не выбран COM-порт к которому подключен контроллер!", BoxButtons::Ok},
    {box::PortNotReopened, BoxKind::Error, "Не смогли повтороно открыть порт!", BoxButtons::Abort},
    {box::DeviceSilent, BoxKind::Error, "Коммуникатор не отвечает. Проверьте подключение и выбранный COM-порт.", BoxButtons::Abort},
    {box::ConfigurationError, BoxKind::Error, "Ошибка конфигурирования!", BoxButtons::Abort},
    {box::ConfigModeNotStarted, BoxKind::Error, "Ошибка запуска режима конфигурирования!", BoxButtons::Abort},
    {box::NoFileChosen, BoxKind::Error, "Не выбран файл!", BoxButtons::Ok},
    {box::ImageFileError, BoxKind::File, kFileOperationText, BoxButtons::OkCancel},
    {box::FolderFileMissing, BoxKind::File, "В папке нет требуемого файла!", BoxButtons::OkCancel},
    {box::SerialNumberMalformed, BoxKind::Error, "Серийный номер должен состоять из 8 цифр!", BoxButtons::Ok},
    {box::StartRefused, BoxKind::Error, "Ошибка запуска приложения!", BoxButtons::Abort},
    {box::ConfigModeRefused, BoxKind::Error, "Ошибка перевода в режим конфигурирования!", BoxButtons::Abort},
    {box::VersionUnread, BoxKind::Error, "Ошибка считывания версии!", BoxButtons::Abort},
    {box::ExitRefused, BoxKind::Error, "Ошибка выхода из режима конфигурирования!", BoxButtons::Abort},
    {box::StopRefused, BoxKind::Error, "Ошибка останова приложения!", BoxButtons::Abort},
    {box::ObjectsNotErased, BoxKind::Error, "Ошибка удаления flash-объектов!", BoxButtons::Abort},
    {box::ApplicationNotErased, BoxKind::Error, "Ошибка удаления приложения!", BoxButtons::Abort},
    {box::SerialNumberNotWritten, BoxKind::Error, "Ошибка записи серийного номера!", BoxButtons::Abort},
};

}  // namespace

BoxText boxText(Box box, const Outcome& about) {
    if (box == box::PortUnusable) {
        QString text = QStringLiteral("Использование порта ") + about.portName + QStringLiteral(" невозможно!");
        const QString reason =
            openFailureText(about.openFailure, about.holders, about.portName, about.systemMessage);
        if (!reason.isEmpty()) text += QLatin1Char('\n') + reason;
        return errorBox(text);
    }
    for (const auto& row : kBoxTexts) {
        if (row.box != box) continue;
        const QString text = QString::fromUtf8(row.text);
        return row.kind == BoxKind::File ? fileErrorBox(text) : errorBox(text, row.buttons);
    }
    return errorBox(QString::fromLatin1(box.key));
}

bool boxAboutPortChoice(Box box) { return box == box::NoPortChosen || box == box::PortUnusable; }

QString logNoteText(LogNote note) {
    switch (note) {
        case LogNote::ConfigModeEntered: return QStringLiteral("Режим конфигурировния включен.\r\n");
        case LogNote::ConfigSaved: return QStringLiteral("Конфигурация сохранена.\r\n");
        case LogNote::ConfigSaveRefused: return QStringLiteral("Ошибка пр сохранении конфигурации.\r\n");
        case LogNote::ConfigModeLeft: return QStringLiteral("Режим конфигурирования выключен.\r\n");
        case LogNote::ConfigModeNotLeft:
            return QStringLiteral("Ошибка выхода из режима конфигурирования.\r\n");
    }
    return QString();
}

QString openFailureText(OpenFailure failure, const std::vector<PortHolder>& holders,
                        const QString& portName, const QString& systemMessage) {
    switch (failure) {
        case OpenFailure::None:
            return QString();
        case OpenFailure::Other:
            return systemMessage;
        case OpenFailure::Absent:
            return QStringLiteral("Порт не найден: устройство не подключено или имя порта неверно.");
        case OpenFailure::Busy:
            return busyText(holders, portName);
        case OpenFailure::PermissionDenied:
            return QStringLiteral(
                "Нет прав на доступ к порту. В Linux пользователь должен входить в группу, "
                "которой принадлежит устройство (обычно dialout): sudo usermod -aG dialout "
                "$USER, затем войти в систему заново.");
        case OpenFailure::NotSerial:
            return QStringLiteral("Это не последовательный порт.");
    }
    return QString();
}

QString transferFailureText(const QString& detail) {
    namespace f = transfer_failure;
    if (detail == QLatin1String(f::kPortSettings)) return QStringLiteral("порт не принял настройки");
    if (detail == QLatin1String(f::kImageFile)) return QStringLiteral("файл не прочитан или пуст");
    if (detail == QLatin1String(f::kNoRequest)) return QStringLiteral("модуль не запросил передачу");
    const QString refused = QLatin1String(f::kBlockRefused) + u' ';
    if (detail.startsWith(refused)) return QStringLiteral("модуль не принял блок %1").arg(detail.mid(refused.size()));
    return detail;
}

QString settingsNotWrittenText(const QString& path, const QString& reason) {
    QString text = QStringLiteral("Не удалось записать файл настроек ") + path;
    if (!reason.isEmpty()) text += QStringLiteral(": ") + reason;
    return text;
}

QString linkRepeatText(const QString& link, int attempt, int attempts) {
    return QStringLiteral("%1: повтор, попытка %2 из %3").arg(link).arg(attempt).arg(attempts);
}

QString linkAttemptText(const QString& link, int attempt) {
    return QStringLiteral("%1 (попытка %2)").arg(link).arg(attempt);
}

QString deviceDoneText(const QString& serialNumber) { return QStringLiteral("готово, номер %1").arg(serialNumber); }

QString deviceNotDoneText(const QString& failure) { return QStringLiteral("не готово: %1").arg(failure); }

const char kFirmwareFolderTitle[] = "Выберите папку с файлами ПО";

QString imageFileFilter(ImageKind kind) {
    switch (kind) {
        case ImageKind::BootLoader:
            return QStringLiteral("Файл загрузчика KORVEL (boot*.dwl) |boot*.dwl");
        case ImageKind::ModuleFirmware:
            // The pattern asks for a capital Q, the description shows a small one.
            return QStringLiteral("Файл OC KORVEL (R*q2687RD.dwl) |R*Q2687RD.dwl");
        case ImageKind::Application:
            return QStringLiteral("Файл ПО KORVEL (KORVEL*.dwl) |KORVEL*.dwl");
    }
    return QString();
}

}  // namespace korvel
