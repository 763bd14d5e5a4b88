#include "main_window/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTabWidget>
#include <algorithm>
#include <exception>

#include "main_window/configuration_page.h"
#include "main_window/dialogs.h"
#include "main_window/file_version.h"
#include "main_window/firmware_update_page.h"
#include "main_window/port_choice_box.h"
#include "device_link/port_list.h"
#include "main_window/production_page.h"
#include "main_window/responsive_waits.h"
#include "configuration/settings_location.h"
#include "configuration/settings_store.h"
#include "main_window/widget_factory.h"
#include "main_window/widget_names.h"
#include "main_window/window_config_form.h"
#include "main_window/window_sink.h"
#include "texts/report_texts.h"

namespace korvel {

namespace n = main_window_names;

const QString MainWindow::kApplicationTitle = QStringLiteral("Конфигуратор KORVEL");
const QString MainWindow::kProductionSuffix = QStringLiteral(" (режим ПРОИЗВОДСТВО)");

MainWindow::MainWindow(const QStringList& arguments, MainWindowServices services, QWidget* parent)
    : QWidget(parent),
      arguments_(arguments),
      ports_(std::move(services.ports)),
      clock_(std::move(services.clock)),
      dialogs_(std::move(services.dialogs)),
      portSource_(std::move(services.portSource)),
      portDescriptions_(std::move(services.portDescriptions)),
      settingsPath_(std::move(services.settingsPath)),
      productionStore_(std::move(services.productionStore)) {
    if (!ports_) ports_ = makeSystemSerialPortFactory();
    if (!clock_) clock_ = std::make_shared<SystemClock>();
    if (!dialogs_) dialogs_ = std::make_shared<QtDialogs>(this);
    if (!portSource_) {
        portSource_ = [] { return systemPortNames(); };
        if (!portDescriptions_) portDescriptions_ = [] { return systemPortDescriptions(); };
    }
    if (!portDescriptions_) portDescriptions_ = [] { return QHash<QString, QString>(); };
    if (settingsPath_.isEmpty())
        settingsPath_ = resolveSettingsPath(QCoreApplication::applicationFilePath());

    buildWindow();
    for (ProgressRole role :
         {ProgressRole::Configuration, ProgressRole::FirmwareUpdate, ProgressRole::Production})
        sinks_[static_cast<int>(role)] = std::make_unique<WindowSink>(*this, role);
    const auto pump = [] { QCoreApplication::processEvents(); };
    responsiveClock_ = std::make_unique<ResponsiveClock>(*clock_, pump);
    responsivePorts_ = std::make_unique<ResponsivePortFactory>(*ports_, pump);
    form_ = std::make_unique<WindowConfigForm>(*configurationPage_, *productionPage_);

    connect(portChoice, &PortChoiceBox::dropDown, this, &MainWindow::onPortListDropDown);
    connect(pages, &QTabWidget::currentChanged, this, [this](int index) {
        if (pages->widget(index) != productionPage_) {
            lastReachablePage_ = index;
            return;
        }
        if (productionLocked_) {
            pages->setCurrentIndex(lastReachablePage_);
            return;
        }
        productionPage_->onShown();
    });

    // The settings file fills the fields, the tables' row numbers and headers.
    runGuarded([this] { loadSettings(settingsPath_, *form_); });
    pages->setCurrentIndex(0);

    startUp();
}

MainWindow::~MainWindow() {
    // The controls outlive this part of the window while the base class
    // deletes them: nothing they report on the way out may reach a handler.
    for (QObject* control : findChildren<QObject*>()) control->disconnect(this);
}

OperationSink& MainWindow::sink(ProgressRole role) { return *sinks_[static_cast<int>(role)]; }

ConfigForm& MainWindow::configForm() { return *form_; }

OperationContext MainWindow::context(ProgressRole role) {
    return OperationContext{sink(role), *responsivePorts_, *responsiveClock_};
}

QString MainWindow::portName() const {
    return runningOperations_ > 0 ? operationPort_ : portChoice->currentText();
}

QString MainWindow::fileVersion() { return executableFileVersion(); }

// ---------------------------------------------------------------------------
// Building the window

void MainWindow::buildWindow() {
    setObjectName(QString::fromLatin1(n::window));
    setWindowTitle(kApplicationTitle);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    // Where the classic Windows face is missing, a narrow sans serif of the
    // same size keeps the labels within their fields' width: Liberation Sans
    // Narrow, which the installation brings along (fonts-liberation).  Tahoma
    // at this size is too wide for the GPRS captions.
    QFont windowFont(QStringLiteral("MS Sans Serif"), 8);
    windowFont.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                            QStringLiteral("Liberation Sans Narrow"), QStringLiteral("Tahoma")});
    setFont(windowFont);
    setFixedSize(745, 566);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    pages = named(new QTabWidget(this), n::pages);
    pages->setGeometry(0, 0, 745, 537);
    // The pages are built in their tab order, the bottom bar last.
    configurationPage_ = new ConfigurationPage(*this, pages);
    pages->addTab(configurationPage_, QStringLiteral("Конфигурирование"));
    firmwareUpdatePage_ = new FirmwareUpdatePage(*this, pages);
    pages->addTab(firmwareUpdatePage_, QStringLiteral("Обновление ПО"));
    productionPage_ = new ProductionPage(*this, pages);
    pages->addTab(productionPage_, QStringLiteral("Производство"));
    buildBottomBar();
}

void MainWindow::buildBottomBar() {
    portLabel = makeLabel(this, QString::fromLatin1(n::portLabel), QStringLiteral("COM-порт:"), 8,
                          547);
    portChoice = named(new PortChoiceBox(this), n::portChoice);
    portChoice->setGeometry(portLabel->geometry().right() + 6, 543, 113, kEditHeight);
    portLabel->setBuddy(portChoice);
    stateLabel = makeLabel(this, QString::fromLatin1(n::stateLabel), QStringLiteral("Состояние:"),
                           portChoice->geometry().right() + 16, 547);
    statusLine = named(new QLabel(this), n::statusLine);
    statusLine->setGeometry(745 - 489, 543, 489, kEditHeight);
    statusLine->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

// ---------------------------------------------------------------------------
// Start-up and shut-down

void MainWindow::startUp() {
    runGuarded([this] {
        const QString version = fileVersion();
        if (!version.isEmpty()) setWindowTitle(kApplicationTitle + QStringLiteral(" v") + version);

        onPortListDropDown();

        productionPage_->automaticMode->setChecked(true);
        productionPage_->onAutomaticModeToggled();
        configurationPage_->collapseConfigurationLog();

        const bool production =
            std::any_of(arguments_.cbegin(), arguments_.cend(), [](const QString& a) {
                return a.compare(QStringLiteral("-p"), Qt::CaseInsensitive) == 0;
            });
        if (production) {
            setWindowTitle(windowTitle() + kProductionSuffix);
            pages->setCurrentWidget(productionPage_);
        } else {
            lockOutProductionPage();
        }
    });
}

// Without "-p" the production page must be out of reach, not just out of
// sight: its automatic write deletes the module's application.  The tab is
// hidden and disabled (the tab bar's keys, Ctrl+Tab and the wheel skip
// disabled tabs), the page itself is disabled so that none of its controls
// takes the focus or a shortcut, and should anything still make it current,
// the window goes back to the page it came from.
void MainWindow::lockOutProductionPage() {
    productionLocked_ = true;
    const int index = pages->indexOf(productionPage_);
    pages->setTabVisible(index, false);
    pages->setTabEnabled(index, false);
    productionPage_->setEnabled(false);
    if (pages->currentWidget() == productionPage_) pages->setCurrentIndex(0);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // An operation that pumps messages (a transfer, the automatic write, the
    // configuration write and read) is still on the stack below this event:
    // the window closes, and saves its settings, once it has ended.
    if (runningOperations_ > 0) {
        closePending_ = true;
        event->ignore();
        return;
    }
    saveSettingsOnClose();
    event->accept();
}

void MainWindow::saveSettingsOnClose() {
    runGuarded([this] {
        const SaveSettingsResult result = saveSettings(settingsPath_, *form_);
        if (!result.written)
            dialogs_->messageBox(kApplicationTitle, settingsNotWrittenText(result.path, result.reason), Dialogs::Kind::Error,
                                 Dialogs::Buttons::Ok);
    });
}

// One device operation at a time.  Every wait of an operation lets the
// window answer, so a button can be pressed while another operation holds
// the port, or has closed it for a moment (the 5 s after AT+WDWL, the pauses
// of the production page): such a press does nothing at all, rather than
// open the port, or the same port again, between two steps of the running
// one.  The running operation keeps the port it started on to its end.
void MainWindow::runOperation(const std::function<void()>& handler) {
    if (runningOperations_ > 0) {
        QApplication::beep();
        return;
    }
    operationPort_ = portChoice->currentText();
    ++runningOperations_;
    runGuarded(handler);
    if (--runningOperations_ == 0 && closePending_) {
        closePending_ = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

void MainWindow::runGuarded(const std::function<void()>& handler) {
    QString message;
    try {
        handler();
        return;
    } catch (const std::exception& e) {
        message = QString::fromUtf8(e.what());
    } catch (...) {
        message = QStringLiteral("Неизвестная ошибка");
    }
    dialogs_->messageBox(kApplicationTitle, message, Dialogs::Kind::Error, Dialogs::Buttons::Ok);
}

// ---------------------------------------------------------------------------
// The port list

void MainWindow::onPortListDropDown() {
    runGuarded([this] {
        const QStringList ports = sortedPortList(portSource_());
        QHash<QString, QString> descriptions;
        // A description that can't be had leaves the names alone.
        try {
            descriptions = portDescriptions_();
        } catch (...) {
        }
        portChoice->setPorts(ports, descriptions);
    });
}

}  // namespace korvel
