// A Dialogs stand-in for window tests: records every box and dialog and
// answers from queues instead of a user.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "main_window/dialogs.h"

namespace korvel::test {

class RecordingDialogs : public Dialogs {
public:
    struct Box {
        QString caption;
        QString text;
        Kind kind;
        Buttons buttons;
    };

    std::vector<Box> boxes;
    QStringList openFileFilters;        // filter of every file-open dialog, in order
    QStringList folderTitles;           // title of every folder browser, in order
    std::deque<int> boxAnswers;         // empty: OK (Abort for an Abort-only box)
    std::deque<QString> fileAnswers;    // empty: cancelled
    std::deque<QString> folderAnswers;  // empty: cancelled
    // Runs inside every box, while it is "open".
    std::function<void(const Box&)> onBox;

    int messageBox(const QString& caption, const QString& text, Kind kind,
                   Buttons buttons) override;
    QString openFile(const QString& filter, const QString& initialDir) override;
    QString browseFolder(const QString& title) override;

    QStringList texts() const;
};

}  // namespace korvel::test
