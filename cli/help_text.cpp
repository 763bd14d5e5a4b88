// korvel-cli --help: every command with its options, the store, the common
// options and the exit codes.
#include "cli/options.h"
#include "operations/device_operations.h"

namespace korvel::cli {

namespace {

const char kHelpHead[] =
    "Использование: korvel-cli КОМАНДА [параметры]\n"
    "\n"
    "Команды:\n"
    "  ports                                  список COM-портов\n"
    "  read --port P [-o ФАЙЛ]                считать конфигурацию; вывести её (или записать в ФАЙЛ)\n"
    "                                         в формате файла настроек окна\n"
    "  write --port P ФАЙЛ                    записать конфигурацию из файла настроек\n"
    ;

// After the device operations' lines.
const char kHelpTail[] =
    "  flash --port P ОБРАЗ [--update-page]   записать образ .dwl (по умолчанию — как на странице\n"
    "                                         \"Производство\"; --update-page — как на странице\n"
    "                                         \"Обновление ПО\")\n"
    "  produce --folder ПАПКА --port P1 [--port P2 ...] [--store S] [--station ИМЯ]\n"
    "          [--serial N] [--record CSV] [--retries N]\n"
    "                                         подготовить устройства на всех портах одновременно:\n"
    "                                         идентификация, поиск файлов в папке, удаление\n"
    "                                         приложения, три образа, старт, серийный номер\n"
    "                                         (следующий свободный из базы; с --serial — N, N+1, ...\n"
    "                                         в порядке портов); запись о каждом устройстве — в базу\n"
    "                                         (и в CSV); ИМЯ станции — по умолчанию имя компьютера;\n"
    "                                         --retries N — повторить неудавшееся звено до N раз,\n"
    "                                         где повтор безопасен\n"
    "  station --watch [ПАПКА] --folder ПАПКА [--store S] [--station ИМЯ] [--record CSV]\n"
    "          [--retries N]\n"
    "                                         то же для каждого порта, появившегося в ПАПКЕ\n"
    "                                         (по умолчанию /dev/serial/by-id; в Windows — список\n"
    "                                         COM-портов): следующее устройство в том же гнезде —\n"
    "                                         после того, как готовое отключено; Ctrl-C — конец\n"
    "  produce, station: --http [АДРЕС:]ПОРТ [--http-token КЛЮЧ]\n"
    "                                         страница станции в браузере: гнёзда, их устройства\n"
    "                                         и итоги, вживую; только чтение; по умолчанию\n"
    "                                         на 127.0.0.1; на другом адресе — с ключом (без\n"
    "                                         --http-token ключ создаётся и выводится)\n"
    "  board --http [АДРЕС:]ПОРТ [--http-token КЛЮЧ] [--store S]\n"
    "                                         страница линии: гнёзда всех станций общей базы,\n"
    "                                         выход по часам, остаток номеров, номера unknown;\n"
    "                                         Ctrl-C — конец\n"
    "  serials add ПЕРВЫЙ ПОСЛЕДНИЙ [--store S]\n"
    "                                         добавить диапазон серийных номеров в базу станции\n"
    "  serials status|list [--store S]        сколько номеров свободно, выдано, записано, неизвестно\n"
    "                                         (list — и номера reserved и unknown поимённо)\n"
    "  serials release N [--store S]          вернуть в свободные номер unknown, которого точно\n"
    "                                         нет ни в одном устройстве\n"
    "  record export --csv|--jsonl [--since ВРЕМЯ] [--store S]\n"
    "                                         записи об устройствах (CSV через \";\" или по строке\n"
    "                                         JSON), с ВРЕМЕНИ ISO 8601 (2024-05-14T09:00)\n"
    "  doctor [--port P ...] [--folder ПАПКА] [--store S]\n"
    "                                         проверить порты, адаптеры, ModemManager, brltty,\n"
    "                                         базу станции и папку ПО; с --port — и ответ на AT;\n"
    "                                         у каждого замечания — как его исправить; код 1 — есть\n"
    "                                         проблема\n"
    "\n"
    "База станции (--store): файл SQLite (по умолчанию korvel/station.sqlite в папке\n"
    "данных пользователя) или postgresql://… для нескольких станций.\n"
    "\n"
    "Общие параметры:\n"
    "  --json       всё строками JSON на stdout, по объекту в строке: события устройств\n"
    "               (звено началось, ход, звено закончилось, устройство готово), затем итог\n"
    "  --log ФАЙЛ   дописывать в ФАЙЛ строки состояния устройств, с датой, временем и портом\n"
    "  --wire-log ФАЙЛ  дописывать в ФАЙЛ журнал обмена с портом: каждый байт, события порта\n"
    "  --help       эта справка\n"
    "  --version    версия программы\n"
    "\n"
    "Коды выхода: 0 — выполнено, 1 — устройство отказало или операция не удалась,\n"
    "2 — ошибка в параметрах или во входном файле, 3 — порт нельзя использовать.\n";

}  // namespace

QString helpText() {
    QString text = QString::fromUtf8(kHelpHead);
    // Each device operation with a command word has its line, the summary in
    // the same column as the other commands'.
    for (const DeviceOperation& op : deviceOperations()) {
        if (!op.verb) continue;
        text += QStringLiteral("  ") + QString::fromUtf8(op.usage).leftJustified(39) +
                QString::fromUtf8(op.summary) + u'\n';
    }
    return text + QString::fromUtf8(kHelpTail);
}

}  // namespace korvel::cli
