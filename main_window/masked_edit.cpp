#include "masked_edit.h"

namespace korvel {

MaskedEdit::MaskedEdit(QWidget* parent) : QLineEdit(parent) {}

MaskedEdit::MaskedEdit(const QString& editMask, QWidget* parent) : QLineEdit(parent) {
    setEditMask(editMask);
}

void MaskedEdit::setEditMask(const QString& editMask) {
    mask_ = EditMask(editMask);
    setInputMask(mask_.toQtInputMask());
    // A new mask starts empty; QLineEdit would otherwise squeeze the old text in.
    if (!mask_.isEmpty()) setText(mask_.displayFromValue(QString()));
}

QString MaskedEdit::editMask() const { return mask_.editMask(); }

QString MaskedEdit::value() const {
    if (mask_.isEmpty()) return text();
    return mask_.valueFromDisplay(displayText());
}

void MaskedEdit::setValue(const QString& text) {
    if (mask_.isEmpty()) {
        setText(text);
        return;
    }
    setText(mask_.displayFromValue(text));
}

}  // namespace korvel
