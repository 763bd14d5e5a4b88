#include "recording_dialogs.h"

namespace korvel::test {

int RecordingDialogs::messageBox(const QString& caption, const QString& text, Kind kind,
                                 Buttons buttons) {
    boxes.push_back(Box{caption, text, kind, buttons});
    if (onBox) onBox(boxes.back());
    if (!boxAnswers.empty()) {
        const int answer = boxAnswers.front();
        boxAnswers.pop_front();
        return answer;
    }
    return buttons == Buttons::Abort ? AnswerAbort : AnswerOk;
}

QString RecordingDialogs::openFile(const QString& filter, const QString&) {
    openFileFilters << filter;
    if (fileAnswers.empty()) return QString();
    const QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

QString RecordingDialogs::browseFolder(const QString& title) {
    folderTitles << title;
    if (folderAnswers.empty()) return QString();
    const QString answer = folderAnswers.front();
    folderAnswers.pop_front();
    return answer;
}

QStringList RecordingDialogs::texts() const {
    QStringList result;
    for (const Box& box : boxes) result << box.text;
    return result;
}

}  // namespace korvel::test
