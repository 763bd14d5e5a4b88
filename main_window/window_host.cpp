#include "window_host.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>

#include "configuration_page.h"
#include "dialogs.h"
#include "firmware_update_page.h"
#include "gauge_widget.h"
#include "main_window.h"
#include "port_choice_box.h"
#include "production_page.h"

namespace korvel {

namespace {

// Line ends as the device and the operations write them ("\r\n", a lone
// "\r") become the text box's own.
QString plainLines(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

}  // namespace

QString WindowHost::portName() const { return window_.portChoice->currentText(); }

void WindowHost::statusReport(const QString& text) {
    setStatusLine(text);
    appendProductionLog(text);
}

void WindowHost::setStatusLine(const QString& text) {
    window_.statusLine->setText(text);
    window_.statusLine->repaint();
}

void WindowHost::appendProductionLog(const QString& text) {
    window_.productionPage()->productionLog->appendPlainText(plainLines(text));
}

void WindowHost::appendConfigLog(const QString& text) {
    window_.configurationPage()->configurationLog->appendPlainText(plainLines(text));
}

void WindowHost::errorBox(const QString& text, BoxButtons buttons) {
    window_.dialogs().messageBox(
        QStringLiteral("Ошибка"), text, Dialogs::Kind::Error,
        buttons == BoxButtons::Abort ? Dialogs::Buttons::Abort : Dialogs::Buttons::Ok);
}

void WindowHost::fileErrorBox(const QString& text) {
    window_.dialogs().messageBox(QStringLiteral("File Error"), text, Dialogs::Kind::Plain,
                                 Dialogs::Buttons::OkCancel);
}

Gauge& WindowHost::gauge(GaugeId id) {
    switch (id) {
        case GaugeId::Config_Progress:
            return *window_.configurationPage()->configurationProgress;
        case GaugeId::CGauge1:
            return *window_.firmwareUpdatePage()->firmwareProgress;
        case GaugeId::CGauge2:
            break;
    }
    return *window_.productionPage()->productionProgress;
}

void WindowHost::setControlEnabled(Control control, bool enabled) {
    if (auto* w = window_.findChild<QWidget*>(QString::fromLatin1(controlObjectName(control))))
        w->setEnabled(enabled);
}

void WindowHost::focusControl(Control control) {
    if (auto* w = window_.findChild<QWidget*>(QString::fromLatin1(controlObjectName(control))))
        w->setFocus(Qt::OtherFocusReason);
}

void WindowHost::processMessages() { QCoreApplication::processEvents(); }

}  // namespace korvel
