// A line edit with an edit mask in the form "pattern;saveLiterals;blank"
// ("##########;1;_").  While it is being edited (has the focus), "_" shows in
// every empty position; otherwise empty positions show blank.  The value is
// always the mask's full width with a blank in each empty position.
// Without a mask it is a plain line edit.
#pragma once

#include <QLineEdit>
#include <QString>

#include "configuration/edit_mask.h"

namespace korvel {

class MaskedEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit MaskedEdit(QWidget* parent = nullptr);
    MaskedEdit(const QString& editMask, QWidget* parent = nullptr);

    // "" = free text.
    void setEditMask(const QString& editMask);
    QString editMask() const;

    // Full width: entered characters in place, literals, a blank in every
    // empty position.  Free text: the text as typed.
    QString value() const;
    // Program-set text, fitted group by group (left-aligned in each group).
    void setValue(const QString& text);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Shows empty positions as "_" (editing) or as blanks (at rest),
    // keeping the value and the cursor.
    void showPlaceholders(bool editing);
    QString displayOf(const QString& value) const;

    EditMask mask_;
    bool editing_ = false;
};

}  // namespace korvel
