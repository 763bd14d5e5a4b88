// An INI document read and written by the rules of the Windows private-profile
// functions: "[Section]" lines open sections, "KEY=value" lines hold values,
// section and key names compare without regard to letter case, a value reads
// without its leading and trailing blanks and is cut at 2047 characters.
// Text is Windows-1251; lines end with CRLF when written (CRLF or LF read).
// Writing changes only the line of the key written: comments, blank lines,
// unknown keys and sections stay as they were, byte for byte.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

namespace korvel {

class IniFile {
public:
    static constexpr int kMaxValueLength = 2047;

    IniFile() = default;
    static IniFile fromBytes(const QByteArray& bytes);
    QByteArray toBytes() const;

    bool hasKey(const QString& section, const QString& key) const;
    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue = QString()) const;
    // The sections' names, and the keys of one section, in the file's order.
    QStringList sectionNames() const;
    QStringList keyNames(const QString& section) const;
    // Decimal with an optional sign, or hexadecimal after "0x"/"0X"; the
    // default when the key is missing or its text is not wholly a number.
    int readInt(const QString& section, const QString& key, int defaultValue) const;

    // Replaces the key's value in its line, or appends the key at the end of
    // its section, or appends the section at the end of the document.  Line
    // breaks in the value become blanks, so a value cannot add lines.  A line
    // that already reads as the value is left byte for byte as it is.
    void writeString(const QString& section, const QString& key, const QString& value);

    // The number a profile integer text denotes, if it wholly is one.
    static std::optional<int> parseInt(const QString& text);

private:
    struct Line {
        QByteArray raw;  // as in the file, without the line end
        enum class Kind { Other, Section, Key } kind = Kind::Other;
        QString name;  // section or key name, trimmed
    };

    static Line parseLine(const QByteArray& raw);
    // Index of the section's header line, or -1.
    int findSection(const QString& section) const;
    // Index of the key's line within the section starting at header, or -1.
    int findKey(int header, const QString& key) const;
    int sectionEnd(int header) const;

    QVector<Line> lines_;
};

}  // namespace korvel
