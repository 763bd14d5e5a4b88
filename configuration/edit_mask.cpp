#include "configuration/edit_mask.h"

namespace korvel {

namespace {

bool isPositionChar(QChar c) {
    switch (c.unicode()) {
        case u'#':
        case u'0':
        case u'9':
        case u'L':
        case u'l':
        case u'A':
        case u'a':
        case u'C':
        case u'c':
            return true;
        default:
            return false;
    }
}

// Characters with a meaning of their own in QLineEdit's inputMask.
bool isQtMaskChar(QChar c) {
    static const QString qtMaskChars = QStringLiteral("AaNnXx90DdHhBb#><!{}[]\\;");
    return qtMaskChars.contains(c);
}

}  // namespace

EditMask::EditMask(const QString& editMask) : editMask_(editMask) {
    // The pattern ends at the first ";" that is not escaped.
    int end = 0;
    Case letterCase = Case::Keep;
    for (; end < editMask.size(); ++end) {
        const QChar c = editMask[end];
        if (c == u';') break;
        if (c == u'\\') {
            if (end + 1 < editMask.size()) items_.append({true, editMask[++end], Case::Keep});
            continue;
        }
        if (c == u'!') continue;
        if (c == u'>') {
            letterCase = Case::Upper;
            continue;
        }
        if (c == u'<') {
            if (end + 1 < editMask.size() && editMask[end + 1] == u'>') {
                ++end;
                letterCase = Case::Keep;
            } else {
                letterCase = Case::Lower;
            }
            continue;
        }
        if (isPositionChar(c)) {
            items_.append({false, c, letterCase});
        } else {
            items_.append({true, c == u'_' ? QChar(u' ') : c, Case::Keep});
        }
    }
    if (end < editMask.size()) {
        const int flagEnd = editMask.indexOf(u';', end + 1);
        const QString flag = editMask.mid(end + 1, flagEnd < 0 ? -1 : flagEnd - end - 1);
        saveLiterals_ = flag.trimmed() != QStringLiteral("0");
    }
}

int EditMask::width() const {
    if (saveLiterals_) return items_.size();
    int n = 0;
    for (const Item& item : items_) n += item.literal ? 0 : 1;
    return n;
}

QString EditMask::emptyValue() const { return fit(QString()); }

bool EditMask::accepts(const Item& item, QChar c) const {
    switch (item.ch.unicode()) {
        case u'#':
            return c.isDigit() || c == u'+' || c == u'-';
        case u'0':
        case u'9':
            return c.isDigit();
        case u'L':
        case u'l':
            return c.isLetter();
        case u'A':
        case u'a':
            return c.isLetterOrNumber();
        default:
            return c.isPrint();
    }
}

QChar EditMask::applyCase(const Item& item, QChar c) const {
    if (item.letterCase == Case::Upper) return c.toUpper();
    if (item.letterCase == Case::Lower) return c.toLower();
    return c;
}

bool EditMask::isLiteralChar(QChar c) const {
    for (const Item& item : items_) {
        if (item.literal && item.ch == c) return true;
    }
    return false;
}

QString EditMask::fit(const QString& text) const {
    if (isEmpty()) return text;
    QString value;
    value.reserve(items_.size());
    auto place = [&](const Item& item, QChar c) {
        value += accepts(item, c) ? applyCase(item, c) : QChar(u' ');
    };

    if (!saveLiterals_) {
        // The value holds positions only: the text fills them in turn.
        int t = 0;
        for (const Item& item : items_) {
            if (item.literal) continue;
            if (t < text.size()) {
                place(item, text[t++]);
            } else {
                value += u' ';
            }
        }
        return value;
    }

    int t = 0;
    int i = 0;
    while (i < items_.size()) {
        if (items_[i].literal) {
            // A literal of the text ends the run; it takes the literal's place.
            if (t < text.size() && isLiteralChar(text[t])) ++t;
            value += items_[i++].ch;
            continue;
        }
        // A group of positions takes the run up to the next literal of the text.
        for (; i < items_.size() && !items_[i].literal; ++i) {
            if (t < text.size() && !isLiteralChar(text[t])) {
                place(items_[i], text[t++]);
            } else {
                value += u' ';
            }
        }
        while (t < text.size() && !isLiteralChar(text[t])) ++t;  // the run's cut-off rest
    }
    return value;
}

QString EditMask::toQtInputMask() const {
    if (isEmpty()) return QString();
    QString qt;
    Case current = Case::Keep;
    for (const Item& item : items_) {
        if (item.literal) {
            if (current != Case::Keep) {
                qt += u'!';
                current = Case::Keep;
            }
            if (isQtMaskChar(item.ch)) qt += u'\\';
            qt += item.ch;
            continue;
        }
        if (item.letterCase != current) {
            qt += item.letterCase == Case::Upper   ? u'>'
                  : item.letterCase == Case::Lower ? u'<'
                                                   : u'!';
            current = item.letterCase;
        }
        switch (item.ch.unicode()) {
            case u'#':
                qt += u'#';
                break;
            case u'0':
            case u'9':
                qt += u'0';
                break;
            case u'L':
            case u'l':
                qt += u'a';
                break;
            case u'A':
            case u'a':
                qt += u'n';
                break;
            default:
                qt += u'x';
                break;
        }
    }
    qt += u';';
    qt += kDisplayBlank;
    return qt;
}

QString EditMask::valueFromDisplay(const QString& displayText) const {
    if (isEmpty()) return displayText;
    QString value;
    for (int i = 0; i < items_.size(); ++i) {
        const Item& item = items_[i];
        if (item.literal) {
            if (saveLiterals_) value += item.ch;
            continue;
        }
        const QChar c = i < displayText.size() ? displayText[i] : kDisplayBlank;
        value += c == kDisplayBlank ? QChar(u' ') : c;
    }
    return value;
}

QString EditMask::displayFromValue(const QString& text) const {
    if (isEmpty()) return text;
    const QString value = fit(text);
    QString display;
    int v = 0;
    for (const Item& item : items_) {
        if (item.literal) {
            display += item.ch;
            if (saveLiterals_) ++v;
            continue;
        }
        const QChar c = value[v++];
        display += c == u' ' ? kDisplayBlank : c;
    }
    return display;
}

}  // namespace korvel
