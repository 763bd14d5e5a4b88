#include "main_window/masked_edit.h"

#include <QFocusEvent>

namespace korvel {

namespace {

constexpr QChar kRestingBlank = QChar(u' ');

// The Qt input mask with `blank` for an empty position.
QString inputMaskWithBlank(const EditMask& mask, QChar blank) {
    QString qt = mask.toQtInputMask();
    if (!qt.isEmpty()) qt[qt.size() - 1] = blank;
    return qt;
}

}  // namespace

MaskedEdit::MaskedEdit(QWidget* parent) : QLineEdit(parent) {}

MaskedEdit::MaskedEdit(const QString& editMask, QWidget* parent) : QLineEdit(parent) {
    setEditMask(editMask);
}

void MaskedEdit::setEditMask(const QString& editMask) {
    mask_ = EditMask(editMask);
    setInputMask(inputMaskWithBlank(mask_, editing_ ? EditMask::kDisplayBlank : kRestingBlank));
    // A new mask starts empty; QLineEdit would otherwise squeeze the old text in.
    if (!mask_.isEmpty()) setText(displayOf(QString()));
}

QString MaskedEdit::editMask() const { return mask_.editMask(); }

// At rest the display has blanks where editing shows "_": both read as blanks.
QString MaskedEdit::value() const {
    if (mask_.isEmpty()) return text();
    return mask_.valueFromDisplay(displayText());
}

void MaskedEdit::setValue(const QString& text) {
    if (mask_.isEmpty()) {
        setText(text);
        return;
    }
    setText(displayOf(text));
}

QString MaskedEdit::displayOf(const QString& value) const {
    QString display = mask_.displayFromValue(value);
    if (!editing_) display.replace(EditMask::kDisplayBlank, kRestingBlank);
    return display;
}

void MaskedEdit::showPlaceholders(bool editing) {
    if (editing_ == editing) return;
    if (mask_.isEmpty()) {
        editing_ = editing;
        return;
    }
    const QString current = value();
    const int cursor = cursorPosition();
    const int selectionStart = this->selectionStart();
    const int selectionLength = selectedText().size();
    const bool modified = isModified();
    editing_ = editing;
    setInputMask(inputMaskWithBlank(mask_, editing ? EditMask::kDisplayBlank : kRestingBlank));
    setText(displayOf(current));
    if (selectionStart >= 0 && selectionLength > 0) {
        // Keep the selection's direction: the cursor stays at the end it was at.
        if (cursor == selectionStart)
            setSelection(selectionStart + selectionLength, -selectionLength);
        else
            setSelection(selectionStart, selectionLength);
    } else {
        setCursorPosition(cursor);
    }
    setModified(modified);
}

void MaskedEdit::focusInEvent(QFocusEvent* event) {
    showPlaceholders(true);
    QLineEdit::focusInEvent(event);
}

void MaskedEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A focus lost to the edit's own context menu or another window is no
    // end of editing.
    if (!hasFocus() && event->reason() != Qt::PopupFocusReason &&
        event->reason() != Qt::ActiveWindowFocusReason)
        showPlaceholders(false);
}

}  // namespace korvel
