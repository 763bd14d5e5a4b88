#include "configuration/ini_file.h"

#include "device_link/text_codec.h"
#include "configuration/text_rules.h"

namespace korvel {

namespace {

QString decode(const QByteArray& bytes) { return fromDeviceBytes(bytes); }

QByteArray encode(const QString& text) { return toDeviceBytes(text); }

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

}  // namespace

IniFile::Line IniFile::parseLine(const QByteArray& raw) {
    Line line;
    line.raw = raw;
    const QString text = trimBlanks(decode(raw));
    if (text.startsWith(u'[')) {
        int close = text.indexOf(u']');
        line.kind = Line::Kind::Section;
        line.name = trimBlanks(text.mid(1, close < 0 ? -1 : close - 1));
        return line;
    }
    if (text.startsWith(u';')) return line;
    const int eq = text.indexOf(u'=');
    if (eq < 0) return line;
    line.kind = Line::Kind::Key;
    line.name = trimBlanks(text.left(eq));
    return line;
}

IniFile IniFile::fromBytes(const QByteArray& bytes) {
    IniFile ini;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0) end = bytes.size();
        QByteArray raw = bytes.mid(start, end - start);
        if (raw.endsWith('\r')) raw.chop(1);
        ini.lines_.append(parseLine(raw));
        start = end + 1;
    }
    return ini;
}

QByteArray IniFile::toBytes() const {
    QByteArray out;
    for (const Line& line : lines_) {
        out += line.raw;
        out += "\r\n";
    }
    return out;
}

int IniFile::findSection(const QString& section) const {
    for (int i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Line::Kind::Section && sameName(lines_[i].name, section)) return i;
    }
    return -1;
}

int IniFile::sectionEnd(int header) const {
    int i = header + 1;
    while (i < lines_.size() && lines_[i].kind != Line::Kind::Section) ++i;
    return i;
}

int IniFile::findKey(int header, const QString& key) const {
    const int end = sectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        if (lines_[i].kind == Line::Kind::Key && sameName(lines_[i].name, key)) return i;
    }
    return -1;
}

bool IniFile::hasKey(const QString& section, const QString& key) const {
    const int header = findSection(section);
    return header >= 0 && findKey(header, key) >= 0;
}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const {
    const int header = findSection(section);
    const int index = header < 0 ? -1 : findKey(header, key);
    if (index < 0) return defaultValue;
    const QString text = decode(lines_[index].raw);
    return trimBlanks(text.mid(text.indexOf(u'=') + 1)).left(kMaxValueLength);
}

QStringList IniFile::sectionNames() const {
    QStringList names;
    for (const Line& line : lines_)
        if (line.kind == Line::Kind::Section) names << line.name;
    return names;
}

QStringList IniFile::keyNames(const QString& section) const {
    QStringList names;
    const int header = findSection(section);
    if (header < 0) return names;
    const int end = sectionEnd(header);
    for (int i = header + 1; i < end; ++i)
        if (lines_[i].kind == Line::Kind::Key) names << lines_[i].name;
    return names;
}

std::optional<int> IniFile::parseInt(const QString& text) { return profileInteger(text); }

int IniFile::readInt(const QString& section, const QString& key, int defaultValue) const {
    if (!hasKey(section, key)) return defaultValue;
    return parseInt(readString(section, key)).value_or(defaultValue);
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    QString clean = value;
    clean.replace(u'\r', u' ').replace(u'\n', u' ');

    const int header = findSection(section);
    if (header < 0) {
        lines_.append(parseLine(encode(u'[' + section + u']')));
        lines_.append(parseLine(encode(key + u'=' + clean)));
        return;
    }
    const int index = findKey(header, key);
    if (index >= 0) {
        // A line that already reads as the new value stays as it stands: a
        // value longer than a read returns, or one with blanks around it,
        // is not cut down to what the program saw of it.
        if (readString(section, key) == trimBlanks(clean).left(kMaxValueLength)) return;
        lines_[index] = parseLine(encode(lines_[index].name + u'=' + clean));
        return;
    }
    // After the section's last key line (comments and blank lines that follow
    // it stay below), or right after the header when the section has no key.
    int insertAt = header + 1;
    const int end = sectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        if (lines_[i].kind == Line::Kind::Key) insertAt = i + 1;
    }
    lines_.insert(insertAt, parseLine(encode(key + u'=' + clean)));
}

}  // namespace korvel
