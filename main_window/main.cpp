// The configurator: one window, run until it is closed.
#include <QApplication>
#include <QStringList>
#include <cstring>
#include <string>

#include "main_window/application_style.h"
#include "main_window/console_output.h"
#include "main_window/main_window.h"
#include "configuration/settings_location.h"
#include "configuration/settings_store.h"
#include "main_window/termination.h"
#include "device_link/serial/wire_log.h"

namespace {

const char kUsage[] =
    "Использование: korvel_configurator [-p] [--wire-log ФАЙЛ] [--version] [--help]\n"
    "Конфигуратор коммуникатора KORVEL.\n"
    "  -p          открыть страницу \"Производство\" (без учёта регистра: -P)\n"
    "  --wire-log ФАЙЛ  дописывать в ФАЙЛ журнал обмена с портом (для поддержки);\n"
    "              то же задаёт ключ WIRE_LOG в разделе [Support] файла настроек\n"
    "  --version   показать версию и выйти\n"
    "  --help      показать эту справку и выйти\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before any window system is touched, so they work without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            korvel::printToConsole((std::string("korvel_configurator ") + KORVEL_VERSION + "\n").c_str());
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            korvel::printToConsole(kUsage);
            return 0;
        }
    }

    QApplication app(argc, argv);
    korvel::applyApplicationStyle();
    QApplication::setApplicationName(korvel::MainWindow::kApplicationTitle);

    // The window takes the arguments without the program name.
    QStringList arguments = QApplication::arguments();
    if (!arguments.isEmpty()) arguments.removeFirst();

    // The wire log: --wire-log FILE, else the settings file's Support/WIRE_LOG.
    korvel::MainWindowServices services;
    services.settingsPath = korvel::resolveSettingsPath(QCoreApplication::applicationFilePath());
    QString wireLogPath;
    const qsizetype wireLogAt = arguments.indexOf(QStringLiteral("--wire-log"));
    if (wireLogAt >= 0 && wireLogAt + 1 < arguments.size()) wireLogPath = arguments[wireLogAt + 1];
    if (wireLogPath.isEmpty()) wireLogPath = korvel::wireLogSetting(services.settingsPath);
    if (!wireLogPath.isEmpty()) {
        std::string reason;
        if (auto log = korvel::WireLog::open(wireLogPath.toLocal8Bit().toStdString(), reason))
            services.ports = korvel::withWireLog(korvel::makeSystemSerialPortFactory(), std::move(log));
        else
            korvel::printToConsole(QStringLiteral("korvel_configurator: не открывается журнал обмена %1: %2\n")
                                       .arg(wireLogPath, QString::fromLocal8Bit(reason.c_str()))
                                       .toUtf8()
                                       .constData());
    }

    korvel::MainWindow window(arguments, std::move(services));
    korvel::closeWindowOnTermination(&window);
    window.show();
    return app.exec();
}
