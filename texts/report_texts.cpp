#include "texts/report_texts.h"

#include <QStringList>

#include "firmware/firmware_download.h"

namespace korvel {

QString statusText(Status status, const QString& detail) {
    switch (status) {
        case Status::ReadingConfiguration: return QStringLiteral(" Чтение конфигурации");
        case Status::ConfigurationRead: return QStringLiteral(" Конфигурация прочитана");
        case Status::ConfigurationReadPartly: return QStringLiteral(" Конфигурация прочитана не полностью");
        case Status::ConfigurationNotRead: return QStringLiteral(" Конфигурация не прочитана");
        case Status::ConfigurationWritten: return QStringLiteral(" Конфигурация записана");
        case Status::ConfigurationNotWritten: return QStringLiteral(" Конфигурация не записана");
        case Status::PortOpened: return QStringLiteral(" Порт открыт");
        case Status::PortSettingsSet: return QStringLiteral(" Параметры порта установлены");
        case Status::ControllerInDownloadMode:
            return QStringLiteral(" Контроллер переведен в режим обновления ПО");
        case Status::CommunicatorInDownloadMode:
            return QStringLiteral(" Коммуникатор переведен в режим обновления ПО");
        case Status::UpdatingFirmware: return QStringLiteral(" Обновление ПО");
        case Status::ImageOpened: return QStringLiteral(" Файл ПО открыт. Длинна %1 байт").arg(detail);
        case Status::AwaitingModuleRequest: return QStringLiteral(" Ожидание запроса модуля на передачу");
        case Status::ControllerRestarted: return QStringLiteral(" Сброс контроллера");
        case Status::CommunicatorRestarted: return QStringLiteral(" Сброс коммуникатора");
        case Status::FirmwareNotWritten: return QStringLiteral(" ПО не записано: ") + transferFailureText(detail);
        case Status::CommunicatorWorking: return QStringLiteral(" Коммуникатор в рабочем режиме");
        case Status::CommunicatorInConfigMode:
            return QStringLiteral(" Коммуникатор в режиме конфигурирования");
        case Status::CoreVersion: return QStringLiteral(" Версия ПО ядра: ") + detail;
        case Status::ModuleType: return QStringLiteral(" Тип модуля: ") + detail;
        case Status::ApplicationStarted: return QStringLiteral(" Приложение запущено");
        case Status::ApplicationVersion: return QStringLiteral("Версия ПО: ") + detail;
        case Status::ApplicationStopped: return QStringLiteral(" Приложение остановлено");
        case Status::FlashObjectsErased: return QStringLiteral(" Flash-объекты удалены");
        case Status::ApplicationErased: return QStringLiteral(" Приложение удалено");
        case Status::SerialNumberWritten:
            // The first letter is the Latin C (0x43).
            return QStringLiteral("C") + QStringLiteral("ерийный номер ") + detail +
                   QStringLiteral(" записан");
    }
    return QString();
}

bool statusLogged(Status status) { return status != Status::AwaitingModuleRequest; }

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

}  // namespace

BoxText boxText(Box box, const Outcome& about) {
    switch (box) {
        case Box::NoPortChosen:
            return errorBox(QStringLiteral("Не выбран COM-порт к которому подключен контроллер!"),
                            BoxButtons::Ok);
        case Box::PortUnusable: {
            QString text = QStringLiteral("Использование порта ") + about.portName +
                           QStringLiteral(" невозможно!");
            const QString reason = openFailureText(about.openFailure, about.holders, about.portName,
                                                   about.systemMessage);
            if (!reason.isEmpty()) text += QLatin1Char('\n') + reason;
            return errorBox(text);
        }
        case Box::PortNotReopened: return errorBox(QStringLiteral("Не смогли повтороно открыть порт!"));
        case Box::DeviceSilent:
            return errorBox(QStringLiteral(
                "Коммуникатор не отвечает. Проверьте подключение и выбранный COM-порт."));
        case Box::ConfigurationError: return errorBox(QStringLiteral("Ошибка конфигурирования!"));
        case Box::ConfigModeNotStarted:
            return errorBox(QStringLiteral("Ошибка запуска режима конфигурирования!"));
        case Box::NoFileChosen: return errorBox(QStringLiteral("Не выбран файл!"), BoxButtons::Ok);
        case Box::ImageFileError: return fileErrorBox(QString::fromLatin1(kFileOperationText));
        case Box::FolderFileMissing: return fileErrorBox(QStringLiteral("В папке нет требуемого файла!"));
        case Box::SerialNumberMalformed:
            return errorBox(QStringLiteral("Серийный номер должен состоять из 8 цифр!"), BoxButtons::Ok);
        case Box::StartRefused: return errorBox(QStringLiteral("Ошибка запуска приложения!"));
        case Box::ConfigModeRefused:
            return errorBox(QStringLiteral("Ошибка перевода в режим конфигурирования!"));
        case Box::VersionUnread: return errorBox(QStringLiteral("Ошибка считывания версии!"));
        case Box::ExitRefused: return errorBox(QStringLiteral("Ошибка выхода из режима конфигурирования!"));
        case Box::StopRefused: return errorBox(QStringLiteral("Ошибка останова приложения!"));
        case Box::ObjectsNotErased: return errorBox(QStringLiteral("Ошибка удаления flash-объектов!"));
        case Box::ApplicationNotErased: return errorBox(QStringLiteral("Ошибка удаления приложения!"));
        case Box::SerialNumberNotWritten: return errorBox(QStringLiteral("Ошибка записи серийного номера!"));
    }
    return BoxText{};
}

bool boxAboutPortChoice(Box box) { return box == Box::NoPortChosen || box == Box::PortUnusable; }

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
