#include "cli/settings_check.h"

#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include "configuration/memory_config_form.h"
#include "configuration/settings_store.h"
#include "device_link/text_codec.h"

namespace korvel::cli {

namespace {

struct Entry {
    int line;
    QString value;
};

// section/KEY -> value and line, as a profile reader sees the file.
QHash<QString, Entry> entriesOf(const QByteArray& bytes, QStringList* malformed) {
    QHash<QString, Entry> entries;
    QString section;
    int number = 0;
    for (QByteArray raw : bytes.split('\n')) {
        ++number;
        if (raw.endsWith('\r')) raw.chop(1);
        const QString text = fromDeviceBytes(raw).trimmed();
        if (text.isEmpty() || text.startsWith(u';')) continue;
        if (text.startsWith(u'[')) {
            section = text.mid(1, text.indexOf(u']') - 1).trimmed().toUpper();
            continue;
        }
        const int eq = text.indexOf(u'=');
        if (eq < 0) {
            if (malformed) *malformed << QStringLiteral("строка %1: нет знака \"=\"").arg(number);
            continue;
        }
        const QString key = section + u'/' + text.left(eq).trimmed().toUpper();
        if (!entries.contains(key)) entries.insert(key, {number, text.mid(eq + 1).trimmed()});
    }
    return entries;
}

}  // namespace

QStringList checkSettingsFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("файл %1 не открывается: %2").arg(path, file.errorString())};
    QStringList faults;
    const QHash<QString, Entry> given = entriesOf(file.readAll(), &faults);

    // What the window itself makes of the file: load it, save it again.
    MemoryConfigForm form;
    loadSettings(path, form);
    QTemporaryDir dir;
    const QString again = dir.filePath(QStringLiteral("check.INI"));
    if (!saveSettings(again, form).written) return {QStringLiteral("проверка файла не удалась")};
    QFile saved(again);
    saved.open(QIODevice::ReadOnly);
    const QHash<QString, Entry> kept = entriesOf(saved.readAll(), nullptr);

    for (auto it = given.cbegin(); it != given.cend(); ++it) {
        const auto k = kept.constFind(it.key());
        if (k == kept.cend())
            faults << QStringLiteral("строка %1: неизвестный ключ %2").arg(it->line).arg(it.key());
        else if (k->value != it->value)
            faults << QStringLiteral("строка %1: недопустимое значение %2=%3")
                          .arg(it->line)
                          .arg(it.key(), it->value);
    }
    faults.sort();
    return faults;
}

}  // namespace korvel::cli
