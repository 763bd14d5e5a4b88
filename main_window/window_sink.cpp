#include "main_window/window_sink.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>

#include "main_window/configuration_page.h"
#include "main_window/dialogs.h"
#include "main_window/firmware_update_page.h"
#include "main_window/gauge_widget.h"
#include "main_window/main_window.h"
#include "main_window/masked_edit.h"
#include "main_window/port_choice_box.h"
#include "main_window/production_page.h"
#include "texts/report_texts.h"

namespace korvel {

namespace {

// Line ends as the device and the operations write them ("\r\n", a lone
// "\r") become the text box's own.
QString plainLines(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

Dialogs::Buttons dialogButtons(BoxButtons buttons) {
    switch (buttons) {
        case BoxButtons::Ok: return Dialogs::Buttons::Ok;
        case BoxButtons::Abort: return Dialogs::Buttons::Abort;
        case BoxButtons::OkCancel: break;
    }
    return Dialogs::Buttons::OkCancel;
}

}  // namespace

QString WindowSink::portName() const { return window_.portName(); }

void WindowSink::status(Status status, const QString& detail) {
    const QString text = statusText(status, detail);
    window_.statusLine->setText(text);
    window_.statusLine->repaint();
    if (statusLogged(status))
        window_.productionPage()->productionLog->appendPlainText(plainLines(text));
}

void WindowSink::box(Box box, const Outcome& about) {
    const BoxText shown = boxText(box, about);
    window_.dialogs().messageBox(shown.caption, shown.text,
                                 shown.error ? Dialogs::Kind::Error : Dialogs::Kind::Plain,
                                 dialogButtons(shown.buttons));
    if (boxAboutPortChoice(box)) window_.portChoice->setFocus(Qt::OtherFocusReason);
}

void WindowSink::configLog(const QString& data) {
    window_.configurationPage()->configurationLog->appendPlainText(plainLines(data));
}

void WindowSink::logNote(LogNote note) { configLog(logNoteText(note)); }

void WindowSink::settingRefused(Setting setting) {
    ConfigurationPage& page = *window_.configurationPage();
    QWidget* field = setting == Setting::Gprs2Period ? static_cast<QWidget*>(page.gprs2Period)
                                                     : static_cast<QWidget*>(page.gprs3Address);
    field->setFocus(Qt::OtherFocusReason);
}

Gauge& WindowSink::progress() {
    switch (role_) {
        case ProgressRole::Configuration:
            return *window_.configurationPage()->configurationProgress;
        case ProgressRole::FirmwareUpdate:
            return *window_.firmwareUpdatePage()->firmwareProgress;
        case ProgressRole::Production:
            break;
    }
    return *window_.productionPage()->productionProgress;
}

// The configuration page's buttons that would reach the port: locked in
// this order and unlocked in the same order.
void WindowSink::portInUse(bool inUse) {
    ConfigurationPage& page = *window_.configurationPage();
    for (QWidget* button : {static_cast<QWidget*>(page.writeConfigurationButton),
                            static_cast<QWidget*>(page.readConfigurationButton),
                            static_cast<QWidget*>(page.resetControllerButton)})
        button->setEnabled(!inUse);
}

void WindowSink::processMessages() { QCoreApplication::processEvents(); }

}  // namespace korvel
