// Start-up of the configurator window against a bare window with as many
// widgets of the same kinds: each is started afresh as its own process,
// many times in turn, and timed from the process start until its window is
// on screen (exposed).  Needs a display (a virtual one will do:
// xvfb-run -a -s '-screen 0 1024x768x24').
//
//   korvel_window_benchmark [runs]         the medians and their ratio
//   korvel_window_benchmark --pages DIR    pictures of the three pages in DIR
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <memory>
#include <cstdio>
#include <vector>

#include "main_window/application_style.h"
#include "main_window/main_window.h"

namespace {

using korvel::MainWindow;
using korvel::MainWindowServices;

MainWindowServices quietServices(const QString& settingsPath) {
    MainWindowServices services;
    services.portSource = [] { return QStringList{}; };
    services.settingsPath = settingsPath;
    return services;
}

// The kinds of widget the configurator is made of, most specific first.
enum Kind { Group, Label, Combo, Spin, Line, Push, Tool, Check, Text, Progress, Table, kKinds };

std::vector<int> widgetCounts(const QWidget& window) {
    std::vector<int> counts(kKinds, 0);
    for (QWidget* w : window.findChildren<QWidget*>()) {
        // Widgets a composite builds for itself (a spin box's edit, a
        // table's scroll bars) come with the composite in the bare window too.
        if (qobject_cast<QComboBox*>(w->parentWidget()) ||
            qobject_cast<QAbstractSpinBox*>(w->parentWidget()))
            continue;
        if (qobject_cast<QGroupBox*>(w)) ++counts[Group];
        else if (qobject_cast<QLabel*>(w)) ++counts[Label];
        else if (qobject_cast<QComboBox*>(w)) ++counts[Combo];
        else if (qobject_cast<QSpinBox*>(w)) ++counts[Spin];
        else if (qobject_cast<QLineEdit*>(w)) ++counts[Line];
        else if (qobject_cast<QPushButton*>(w)) ++counts[Push];
        else if (qobject_cast<QToolButton*>(w) && !qobject_cast<QTabBar*>(w->parentWidget())) ++counts[Tool];
        else if (qobject_cast<QCheckBox*>(w)) ++counts[Check];
        else if (qobject_cast<QPlainTextEdit*>(w)) ++counts[Text];
        else if (qobject_cast<QProgressBar*>(w)) ++counts[Progress];
        else if (qobject_cast<QTableWidget*>(w)) ++counts[Table];
    }
    return counts;
}

// That many widgets of each kind, placed in a grid on three tabs, with the
// same window font: the cost of the toolkit alone.
void buildBareWindow(QWidget& window, const std::vector<int>& counts) {
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans Narrow")});
    window.setFont(font);
    window.setFixedSize(745, 566);
    auto* tabs = new QTabWidget(&window);
    tabs->setGeometry(0, 0, 745, 537);
    QWidget* pages[3] = {new QWidget, new QWidget, new QWidget};
    for (QWidget* page : pages) tabs->addTab(page, QStringLiteral("Страница"));
    int n = 0;
    auto place = [&](QWidget* w) {
        w->setParent(pages[n % 3]);
        w->setGeometry(8 + (n / 3 % 6) * 120, 8 + (n / 18) * 24, 112, 21);
        ++n;
    };
    for (int kind = 0; kind < kKinds; ++kind) {
        for (int i = 0; i < counts[kind]; ++i) {
            switch (Kind(kind)) {
                case Group: place(new QGroupBox(QStringLiteral("Группа"))); break;
                case Label: place(new QLabel(QStringLiteral("Подпись:"))); break;
                case Combo: place(new QComboBox); break;
                case Spin: place(new QSpinBox); break;
                case Line: place(new QLineEdit); break;
                case Push: place(new QPushButton(QStringLiteral("Кнопка"))); break;
                case Tool: place(new QToolButton); break;
                case Check: place(new QCheckBox(QStringLiteral("Флаг"))); break;
                case Text: place(new QPlainTextEdit); break;
                case Progress: place(new QProgressBar); break;
                case Table: place(new QTableWidget(6, 5)); break;
                case kKinds: break;
            }
        }
    }
}

// One start: builds the window, shows it, says "shown" once it is exposed.
// The bare window takes the widget counts as arguments.
int child(int argc, char** argv, bool bare) {
    QApplication app(argc, argv);
    korvel::applyApplicationStyle();
    QTemporaryDir dir;
    std::unique_ptr<QWidget> window;
    if (bare) {
        std::vector<int> counts(kKinds, 0);
        for (int kind = 0; kind < kKinds && kind + 2 < argc; ++kind)
            counts[kind] = QByteArray(argv[kind + 2]).toInt();
        window = std::make_unique<QWidget>();
        buildBareWindow(*window, counts);
    } else {
        window = std::make_unique<MainWindow>(
            QStringList{}, quietServices(dir.filePath(QStringLiteral("korvel.INI"))));
    }
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) return 1;
    std::fputs("shown\n", stdout);
    std::fflush(stdout);
    return 0;
}

int printCounts(int argc, char** argv) {
    QApplication app(argc, argv);
    korvel::applyApplicationStyle();
    QTemporaryDir dir;
    MainWindow window({}, quietServices(dir.filePath(QStringLiteral("korvel.INI"))));
    for (int count : widgetCounts(window)) std::printf("%d ", count);
    std::printf("\n");
    return 0;
}

int pagePictures(int argc, char** argv, const QString& folder) {
    QApplication app(argc, argv);
    korvel::applyApplicationStyle();
    QTemporaryDir dir;
    MainWindow window({QStringLiteral("-p")}, quietServices(dir.filePath(QStringLiteral("k.INI"))));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    QDir().mkpath(folder);
    for (int page = 0; page < 3; ++page) {
        window.pages->setCurrentIndex(page);
        QTest::qWait(50);
        window.grab().save(QDir(folder).filePath(QStringLiteral("page%1.png").arg(page + 1)));
    }
    std::printf("font: %s\n", qPrintable(QFontInfo(window.font()).family()));
    return 0;
}

// Milliseconds from the start of the process to its "shown" line.
double timeOneStart(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    QElapsedTimer clock;
    clock.start();
    process.start();
    QByteArray out;
    while (!out.contains("shown\n") && process.waitForReadyRead(10000))
        out += process.readAllStandardOutput();
    const double shownAt = clock.nsecsElapsed() / 1e6;
    process.waitForFinished(10000);
    return out.contains("shown\n") ? shownAt : -1;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && QByteArray(argv[1]) == "--child-window") return child(argc, argv, false);
    if (argc >= 2 && QByteArray(argv[1]) == "--child-bare") return child(argc, argv, true);
    if (argc >= 2 && QByteArray(argv[1]) == "--counts") return printCounts(argc, argv);
    if (argc >= 3 && QByteArray(argv[1]) == "--pages")
        return pagePictures(argc, argv, QString::fromLocal8Bit(argv[2]));

    QCoreApplication app(argc, argv);
    const int runs = argc >= 2 ? std::max(1, QByteArray(argv[1]).toInt()) : 15;
    const QString self = QCoreApplication::applicationFilePath();
    QProcess counter;
    counter.start(self, {QStringLiteral("--counts")});
    counter.waitForFinished(30000);
    QStringList bareArguments{QStringLiteral("--child-bare")};
    bareArguments += QString::fromLatin1(counter.readAllStandardOutput())
                         .simplified()
                         .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (bareArguments.size() != 1 + kKinds) {
        std::fputs("could not count the window's widgets (is there a display?)\n", stderr);
        return 1;
    }
    std::printf("widgets of each kind: %s\n", qPrintable(bareArguments.mid(1).join(QLatin1Char(' '))));
    std::vector<double> window, bare;
    timeOneStart(self, {QStringLiteral("--child-window")});  // warm the caches
    timeOneStart(self, bareArguments);
    for (int i = 0; i < runs; ++i) {
        window.push_back(timeOneStart(self, {QStringLiteral("--child-window")}));
        bare.push_back(timeOneStart(self, bareArguments));
        if (window.back() < 0 || bare.back() < 0) {
            std::fputs("a window did not come on screen (is there a display?)\n", stderr);
            return 1;
        }
    }
    const double w = median(window), b = median(bare);
    std::printf("configurator window: %.1f ms to shown (median of %d)\n", w, runs);
    std::printf("bare window:         %.1f ms to shown (median of %d)\n", b, runs);
    std::printf("ratio:               %.2f\n", w / b);
    return 0;
}
