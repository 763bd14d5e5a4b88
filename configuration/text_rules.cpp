#include "configuration/text_rules.h"

namespace korvel {

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

QString trimBlanks(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && isBlank(text.at(begin))) ++begin;
    while (end > begin && isBlank(text.at(end - 1))) --end;
    return text.mid(begin, end - begin);
}

std::optional<int> decimalInteger(const QString& text) {
    const qsizetype digits = text.startsWith(u'+') || text.startsWith(u'-') ? 1 : 0;
    if (digits == text.size()) return std::nullopt;
    for (qsizetype i = digits; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9') return std::nullopt;
    }
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok) return std::nullopt;
    return value;
}

std::optional<int> profileInteger(const QString& text) {
    const QString t = trimBlanks(text);
    if (!t.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) return decimalInteger(t);
    const QString digits = t.mid(2);
    if (digits.isEmpty()) return std::nullopt;
    for (const QChar c : digits) {
        const bool hex =
            (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (!hex) return std::nullopt;
    }
    bool ok = false;
    const uint value = digits.toUInt(&ok, 16);
    if (!ok) return std::nullopt;
    return static_cast<int>(value);
}

}  // namespace korvel
