// The configurator: one window, run until it is closed.
#include <QApplication>
#include <QStringList>

#include "Unit1.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(korvel::TForm1::kApplicationTitle);

    // The window takes the arguments without the program name.
    QStringList arguments = QApplication::arguments();
    if (!arguments.isEmpty()) arguments.removeFirst();

    korvel::TForm1 form(arguments);
    form.show();
    return app.exec();
}
