// Every modal box and file or folder dialog of the window goes through this
// interface, so that tests can answer them without a user.
#pragma once

#include <QString>

class QWidget;

namespace korvel {

class Dialogs {
public:
    enum class Kind { Error, Warning, Information, Plain };
    enum class Buttons { Ok, Abort, OkCancel };
    // The button that closed a box; the values are those of the Windows
    // message box (IDOK, IDCANCEL, IDABORT).
    enum Answer { AnswerOk = 1, AnswerCancel = 2, AnswerAbort = 3 };

    virtual ~Dialogs() = default;

    // Shows a modal message box and returns the Answer of the pressed button.
    virtual int messageBox(const QString& caption, const QString& text, Kind kind,
                           Buttons buttons) = 0;
    // A file-open dialog.  `filter` is in the form "description|pattern[|...]";
    // the chosen file's full path, or an empty string when cancelled.
    virtual QString openFile(const QString& filter, const QString& initialDir) = 0;
    // A folder browser; the chosen folder, or an empty string when cancelled.
    virtual QString browseFolder(const QString& title) = 0;
};

// The toolkit's own boxes and dialogs, modal to `parent`.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    int messageBox(const QString& caption, const QString& text, Kind kind,
                   Buttons buttons) override;
    QString openFile(const QString& filter, const QString& initialDir) override;
    QString browseFolder(const QString& title) override;

private:
    QWidget* parent_;
};

// Converts a filter "description|pattern|description|pattern" into the file
// dialog's form "description (pattern);;...".  The files offered are always
// those of the pattern after the bar, whatever the description shows in its
// own parentheses; several patterns of one entry are separated by ";".
QString qtFileFilter(const QString& filter);

}  // namespace korvel
