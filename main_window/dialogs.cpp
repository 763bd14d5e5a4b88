#include "main_window/dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStringList>

namespace korvel {

namespace {

QMessageBox::Icon iconFor(Dialogs::Kind kind) {
    switch (kind) {
        case Dialogs::Kind::Error:
            return QMessageBox::Critical;
        case Dialogs::Kind::Warning:
            return QMessageBox::Warning;
        case Dialogs::Kind::Information:
            return QMessageBox::Information;
        case Dialogs::Kind::Plain:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

int QtDialogs::messageBox(const QString& caption, const QString& text, Kind kind, Buttons buttons) {
    QMessageBox box(iconFor(kind), caption, text, QMessageBox::NoButton, parent_);
    switch (buttons) {
        case Buttons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case Buttons::Abort:
            box.setStandardButtons(QMessageBox::Abort);
            break;
        case Buttons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Ok:
            return AnswerOk;
        case QMessageBox::Abort:
            return AnswerAbort;
        default:
            return AnswerCancel;
    }
}

QString QtDialogs::openFile(const QString& filter, const QString& initialDir) {
    const QString path =
        QFileDialog::getOpenFileName(parent_, QString(), initialDir, qtFileFilter(filter));
    return path.isEmpty() ? QString() : QDir::toNativeSeparators(path);
}

QString QtDialogs::browseFolder(const QString& title) {
    const QString path = QFileDialog::getExistingDirectory(parent_, title, QString());
    return path.isEmpty() ? QString() : QDir::toNativeSeparators(path);
}

QString qtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        description.remove(trailingPatterns);
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns) p = p.trimmed();
        if (description.isEmpty()) description = patterns.join(QLatin1Char(' '));
        entries << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
    }
    return entries.join(QStringLiteral(";;"));
}

}  // namespace korvel
