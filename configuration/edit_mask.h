// Edit masks in the form "pattern;saveLiterals;blank", e.g. "##########;1;_"
// or "###\.###\.###\.###;1;".  In the pattern "#" is a digit, "+" or "-" that
// may stay empty, "0" a digit, "9" an optional digit, "L"/"l" a letter, "A"/"a"
// a letter or digit, "C"/"c" any character, "\x" the literal x, ">" "<" "<>"
// switch letter case, "!" only marks where blanks go (no position); any other
// character is a literal.
//
// The value of a masked field is always its full width: the entered
// characters in place, the literals (when saveLiterals is "1") and a blank in
// every empty position.
#pragma once

#include <QChar>
#include <QString>
#include <QVector>

namespace korvel {

class EditMask {
public:
    EditMask() = default;  // no mask: free text
    explicit EditMask(const QString& editMask);

    bool isEmpty() const { return items_.isEmpty(); }
    QString editMask() const { return editMask_; }
    bool saveLiterals() const { return saveLiterals_; }

    // Number of characters of the full-width value.
    int width() const;
    // Blanks in every position, literals in place ("   .   .   .   ").
    QString emptyValue() const;
    // Fits a program-set text: the text is cut at the mask's literal
    // characters and each run is placed at the start of its group of
    // positions, the rest of the group blank; a run longer than its group is
    // cut.  A character a position does not accept becomes a blank.
    QString fit(const QString& text) const;

    // The same mask in the inputMask language of QLineEdit, with "_" for an
    // empty position.  Every position maps to an optional Qt mask character,
    // because QLineEdit keeps a blank in place only in optional positions.
    QString toQtInputMask() const;
    // The value from QLineEdit::displayText() of an edit using toQtInputMask().
    QString valueFromDisplay(const QString& displayText) const;
    // The text to give QLineEdit::setText() so that it shows the fitted value
    // with every character in its place.
    QString displayFromValue(const QString& text) const;

    static constexpr QChar kDisplayBlank = QChar(u'_');

private:
    enum class Case { Keep, Upper, Lower };
    struct Item {
        bool literal = false;
        QChar ch;  // the literal, or the pattern character of a position
        Case letterCase = Case::Keep;
    };

    bool accepts(const Item& item, QChar c) const;
    QChar applyCase(const Item& item, QChar c) const;
    bool isLiteralChar(QChar c) const;

    QString editMask_;
    QVector<Item> items_;
    bool saveLiterals_ = true;
};

}  // namespace korvel
