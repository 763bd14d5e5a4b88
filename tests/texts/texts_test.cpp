// Every text the front ends show, byte for byte, against the typed value it
// stands for.  The other tests compare typed values; a reworded text shows
// here alone.
#include <gtest/gtest.h>

#include "configuration/config_read.h"
#include "configuration/config_write.h"
#include "firmware/firmware_download.h"
#include "production/module_operations.h"
#include "station/station_store.h"
#include "texts/report_texts.h"
#include "texts/store_texts.h"

namespace korvel {
namespace {

TEST(Texts, Statuses) {
    const struct {
        Status status;
        QString detail, text;
    } rows[] = {
        {status::ReadingConfiguration, {}, " Чтение конфигурации"},
        {status::ConfigurationRead, {}, " Конфигурация прочитана"},
        {status::ConfigurationReadPartly, {}, " Конфигурация прочитана не полностью"},
        {status::ConfigurationNotRead, {}, " Конфигурация не прочитана"},
        {status::ConfigurationWritten, {}, " Конфигурация записана"},
        {status::ConfigurationNotWritten, {}, " Конфигурация не записана"},
        {status::PortOpened, {}, " Порт открыт"},
        {status::PortSettingsSet, {}, " Параметры порта установлены"},
        {status::ControllerInDownloadMode, {}, " Контроллер переведен в режим обновления ПО"},
        {status::CommunicatorInDownloadMode, {}, " Коммуникатор переведен в режим обновления ПО"},
        {status::UpdatingFirmware, {}, " Обновление ПО"},
        {status::ImageOpened, "1024", " Файл ПО открыт. Длинна 1024 байт"},
        {status::AwaitingModuleRequest, {}, " Ожидание запроса модуля на передачу"},
        {status::ControllerRestarted, {}, " Сброс контроллера"},
        {status::CommunicatorRestarted, {}, " Сброс коммуникатора"},
        {status::FirmwareNotWritten, "port settings", " ПО не записано: порт не принял настройки"},
        {status::FirmwareNotWritten, "image file", " ПО не записано: файл не прочитан или пуст"},
        {status::FirmwareNotWritten, "no request", " ПО не записано: модуль не запросил передачу"},
        {status::FirmwareNotWritten, "block refused 7", " ПО не записано: модуль не принял блок 7"},
        {status::CommunicatorWorking, {}, " Коммуникатор в рабочем режиме"},
        {status::CommunicatorInConfigMode, {}, " Коммуникатор в режиме конфигурирования"},
        {status::CoreVersion, "R7.46", " Версия ПО ядра: R7.46"},
        {status::ModuleType, "Q2687RD", " Тип модуля: Q2687RD"},
        {status::ApplicationStarted, {}, " Приложение запущено"},
        {status::ApplicationVersion, "1.2", "Версия ПО: 1.2"},
        {status::ApplicationStopped, {}, " Приложение остановлено"},
        {status::FlashObjectsErased, {}, " Flash-объекты удалены"},
        {status::ApplicationErased, {}, " Приложение удалено"},
        // The first letter is the Latin C.
        {status::SerialNumberWritten, "00004500", "Cерийный номер 00004500 записан"},
    };
    for (const auto& r : rows) EXPECT_EQ(statusText(r.status, r.detail), r.text) << r.text.toStdString();
    EXPECT_EQ(statusText(status::SerialNumberWritten, "1").at(0), QChar(0x43));
}

TEST(Texts, Boxes) {
    const QString error = "Ошибка", file = "File Error";
    const struct {
        Box box;
        QString caption, text;
        BoxButtons buttons;
        bool error;
    } rows[] = {
        {box::NoPortChosen, error, "Не выбран COM-порт к которому подключен контроллер!", BoxButtons::Ok, true},
        {box::PortNotReopened, error, "Не смогли повтороно открыть порт!", BoxButtons::Abort, true},
        {box::DeviceSilent, error, "Коммуникатор не отвечает. Проверьте подключение и выбранный COM-порт.",
         BoxButtons::Abort, true},
        {box::ConfigurationError, error, "Ошибка конфигурирования!", BoxButtons::Abort, true},
        {box::ConfigModeNotStarted, error, "Ошибка запуска режима конфигурирования!", BoxButtons::Abort, true},
        {box::NoFileChosen, error, "Не выбран файл!", BoxButtons::Ok, true},
        {box::ImageFileError, file, "Can't perform one of the following file operations: Open, Seek, Read, Close.",
         BoxButtons::OkCancel, false},
        {box::FolderFileMissing, file, "В папке нет требуемого файла!", BoxButtons::OkCancel, false},
        {box::SerialNumberMalformed, error, "Серийный номер должен состоять из 8 цифр!", BoxButtons::Ok, true},
        {box::StartRefused, error, "Ошибка запуска приложения!", BoxButtons::Abort, true},
        {box::ConfigModeRefused, error, "Ошибка перевода в режим конфигурирования!", BoxButtons::Abort, true},
        {box::VersionUnread, error, "Ошибка считывания версии!", BoxButtons::Abort, true},
        {box::ExitRefused, error, "Ошибка выхода из режима конфигурирования!", BoxButtons::Abort, true},
        {box::StopRefused, error, "Ошибка останова приложения!", BoxButtons::Abort, true},
        {box::ObjectsNotErased, error, "Ошибка удаления flash-объектов!", BoxButtons::Abort, true},
        {box::ApplicationNotErased, error, "Ошибка удаления приложения!", BoxButtons::Abort, true},
        {box::SerialNumberNotWritten, error, "Ошибка записи серийного номера!", BoxButtons::Abort, true},
    };
    for (const auto& r : rows) {
        const BoxText shown = boxText(r.box);
        EXPECT_EQ(shown.caption, r.caption) << r.text.toStdString();
        EXPECT_EQ(shown.text, r.text);
        EXPECT_EQ(shown.buttons, r.buttons) << r.text.toStdString();
        EXPECT_EQ(shown.error, r.error) << r.text.toStdString();
    }
}

TEST(Texts, PortUnusableNamesThePortAndWhy) {
    Outcome about;
    about.portName = "ttyUSB0";
    about.openFailure = OpenFailure::Absent;
    EXPECT_EQ(boxText(box::PortUnusable, about).text,
              "Использование порта ttyUSB0 невозможно!\n"
              "Порт не найден: устройство не подключено или имя порта неверно.");
    about.openFailure = OpenFailure::Other;
    about.systemMessage = "File name too long";
    EXPECT_EQ(boxText(box::PortUnusable, about).text, "Использование порта ttyUSB0 невозможно!\nFile name too long");
    EXPECT_EQ(openFailureText(OpenFailure::NotSerial), "Это не последовательный порт.");
    EXPECT_EQ(openFailureText(OpenFailure::PermissionDenied),
              "Нет прав на доступ к порту. В Linux пользователь должен входить в группу, которой принадлежит "
              "устройство (обычно dialout): sudo usermod -aG dialout $USER, затем войти в систему заново.");
    EXPECT_EQ(openFailureText(OpenFailure::Busy), "Порт занят другой программой.");
    EXPECT_EQ(openFailureText(OpenFailure::Busy, {{42, "minicom"}, {43, "cu"}}, "ttyUSB0"),
              "Порт занят другой программой: minicom (PID 42), cu (PID 43).");
    EXPECT_TRUE(openFailureText(OpenFailure::Other).isEmpty());  // no text, no line
    EXPECT_EQ(openFailureText(OpenFailure::Busy, {{41, "ModemManager"}}, "ttyUSB0"),
              "Порт занят другой программой: ModemManager (PID 41).\n"
              "Служба ModemManager опрашивает порт, приняв коммуникатор за модем. Чтобы она не трогала этот "
              "адаптер, задайте для него правило udev ENV{ID_MM_DEVICE_IGNORE}=\"1\": sudo korvel-mm-ignore "
              "ttyUSB0, затем переподключите адаптер.");
}

TEST(Texts, LogNotesFilesAndStation) {
    EXPECT_EQ(logNoteText(LogNote::ConfigModeEntered), "Режим конфигурировния включен.\r\n");
    EXPECT_EQ(logNoteText(LogNote::ConfigSaved), "Конфигурация сохранена.\r\n");
    EXPECT_EQ(logNoteText(LogNote::ConfigSaveRefused), "Ошибка пр сохранении конфигурации.\r\n");
    EXPECT_EQ(logNoteText(LogNote::ConfigModeLeft), "Режим конфигурирования выключен.\r\n");
    EXPECT_EQ(logNoteText(LogNote::ConfigModeNotLeft), "Ошибка выхода из режима конфигурирования.\r\n");
    EXPECT_EQ(settingsNotWrittenText("a.INI", "Is a directory"), "Не удалось записать файл настроек a.INI: Is a directory");
    EXPECT_EQ(settingsNotWrittenText("a.INI", {}), "Не удалось записать файл настроек a.INI");
    EXPECT_EQ(QString::fromUtf8(kFirmwareFolderTitle), "Выберите папку с файлами ПО");
    EXPECT_EQ(imageFileFilter(ImageKind::BootLoader), "Файл загрузчика KORVEL (boot*.dwl) |boot*.dwl");
    EXPECT_EQ(imageFileFilter(ImageKind::ModuleFirmware), "Файл OC KORVEL (R*q2687RD.dwl) |R*Q2687RD.dwl");
    EXPECT_EQ(imageFileFilter(ImageKind::Application), "Файл ПО KORVEL (KORVEL*.dwl) |KORVEL*.dwl");
    EXPECT_EQ(linkRepeatText("boot", 2, 3), "boot: повтор, попытка 2 из 3");
    EXPECT_EQ(linkAttemptText("boot", 2), "boot (попытка 2)");
    EXPECT_EQ(deviceDoneText("00004500"), "готово, номер 00004500");
    EXPECT_EQ(deviceNotDoneText("serial: refused AT+ZQSNUM="), "не готово: serial: refused AT+ZQSNUM=");
}

TEST(Texts, StoreErrors) {
    using store::SerialState;
    using store::StoreError;
    using store::StoreFailure;
    const auto serial = [](StoreFailure f, std::optional<SerialState> s) { return StoreError::aboutSerial(f, 11, s); };
    const struct {
        StoreError error;
        QString text;
    } rows[] = {
        {StoreError::systemSaid("database is locked"), "database is locked"},
        {StoreError::systemSaid("unable to open database file", "/x/s.sqlite"), "/x/s.sqlite: unable to open database file"},
        {StoreError::of(StoreFailure::FileReadOnly, "/x/s.sqlite"), "/x/s.sqlite: файл только для чтения"},
        {StoreError::of(StoreFailure::ServerReadOnly, "postgresql://h/db"), "postgresql://h/db: записывать нельзя"},
        {StoreError::of(StoreFailure::NoFreeSerials), "свободных серийных номеров нет"},
        {StoreError::of(StoreFailure::NoLease), "станция не держит аренду имени"},
        {serial(StoreFailure::SerialRefused, std::nullopt), "номера 00000011 нет в базе"},
        {serial(StoreFailure::SerialRefused, SerialState::Free), "номер 00000011 свободен"},
        {serial(StoreFailure::SerialRefused, SerialState::Reserved), "номер 00000011 уже выдан другому устройству"},
        {serial(StoreFailure::SerialRefused, SerialState::Stored), "номер 00000011 уже записан в устройство"},
        {serial(StoreFailure::SerialRefused, SerialState::Unknown),
         "номер 00000011 мог попасть в устройство (состояние unknown); освободить: korvel-cli serials release 00000011"},
        {serial(StoreFailure::NotUnknown, SerialState::Stored), "номер 00000011 не в состоянии unknown, а stored"},
        {serial(StoreFailure::NotUnknown, std::nullopt), "номера 00000011 нет в базе"},
        {serial(StoreFailure::NotReserved, SerialState::Free), "номер 00000011 не выдан (reserved), а в состоянии free"},
        {serial(StoreFailure::NotReserved, std::nullopt), "номера 00000011 нет в базе"},
        {StoreError::of(StoreFailure::RecordStillReserved), "запись устройства: номер ещё не stored, free или unknown"},
        {StoreError::of(StoreFailure::MovedOnlyFromReserved), "номер можно только перевести из reserved"},
        {StoreError::of(StoreFailure::FolderNotMade, "/x"), "/x: папка не создаётся"},
        {StoreError::of(StoreFailure::PostgresqlAbsent), "эта сборка работает только с файлом SQLite; PostgreSQL недоступен"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(storeErrorText(r.error), r.text);
        // The record's words stay English.
        for (const QChar c : store::storeErrorSummary(r.error)) EXPECT_LT(c.unicode(), 0x400) << r.text.toStdString();
    }
}

}  // namespace
}  // namespace korvel
