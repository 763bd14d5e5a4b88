// The configurator: one window, run until it is closed.
#include <QApplication>
#include <QStringList>
#include <cstring>
#include <string>

#include "application_style.h"
#include "console_output.h"
#include "main_window.h"
#include "termination.h"

namespace {

const char kUsage[] =
    "Использование: korvel_configurator [-p] [--version] [--help]\n"
    "Конфигуратор коммуникатора KORVEL.\n"
    "  -p          открыть страницу \"Производство\" (без учёта регистра: -P)\n"
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

    korvel::MainWindow window(arguments);
    korvel::closeWindowOnTermination(&window);
    window.show();
    return app.exec();
}
