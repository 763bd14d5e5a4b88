#include "station/record_format.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace korvel::store {

const char* const kCsvColumns[] = {
    "station",          "port",           "port_identity",     "started",
    "finished",         "module_type",    "core_version",      "application_version",
    "program_version",  "serial_number",  "serial_state",      "links",
    "boot_file",        "boot_sha256",    "firmware_file",     "firmware_sha256",
    "application_file", "application_sha256", "failure"};
const int kCsvColumnCount = int(sizeof kCsvColumns / sizeof kCsvColumns[0]);

QString isoTime(const QDateTime& time) {
    return time.isValid() ? time.toUTC().toString(Qt::ISODateWithMs) : QString();
}

QDateTime fromIsoTime(const QString& text) {
    return text.isEmpty() ? QDateTime() : QDateTime::fromString(text, Qt::ISODateWithMs).toUTC();
}

namespace {

QJsonArray linksArray(const std::vector<LinkRecord>& links) {
    QJsonArray array;
    for (const LinkRecord& l : links)
        array.append(QJsonObject{
            {"name", l.name}, {"outcome", l.outcome}, {"ms", double(l.durationMs)}, {"attempts", l.attempts}});
    return array;
}

std::vector<LinkRecord> linksOf(const QJsonArray& array) {
    std::vector<LinkRecord> links;
    for (const QJsonValue& v : array) {
        const QJsonObject o = v.toObject();
        links.push_back({o.value("name").toString(), o.value("outcome").toString(),
                         qint64(o.value("ms").toDouble()), o.value("attempts").toInt(1)});
    }
    return links;
}

}  // namespace

QString linksToJson(const std::vector<LinkRecord>& links) {
    return QString::fromUtf8(QJsonDocument(linksArray(links)).toJson(QJsonDocument::Compact));
}

std::vector<LinkRecord> linksFromJson(const QString& text) {
    return linksOf(QJsonDocument::fromJson(text.toUtf8()).array());
}

QJsonObject recordToJson(const ProductionRecord& r) {
    QJsonObject images;
    for (int i = 0; i < 3; ++i)
        images.insert(kImageNames[i], QJsonObject{{"file", r.images[i].file}, {"sha256", r.images[i].sha256}});
    return QJsonObject{
        {"station", r.station},
        {"port", r.port},
        {"port_identity", r.portIdentity},
        {"started", isoTime(r.started)},
        {"finished", isoTime(r.finished)},
        {"module_type", r.moduleType},
        {"core_version", r.coreVersion},
        {"application_version", r.applicationVersion},
        {"program_version", r.programVersion},
        {"serial_number", r.serialNumber ? QJsonValue(serialText(*r.serialNumber)) : QJsonValue()},
        {"serial_state", serialStateName(r.serialState)},
        {"links", linksArray(r.links)},
        {"images", images},
        {"failure", r.failure},
    };
}

ProductionRecord recordFromJson(const QJsonObject& o) {
    ProductionRecord r;
    r.station = o.value("station").toString();
    r.port = o.value("port").toString();
    r.portIdentity = o.value("port_identity").toString();
    r.started = fromIsoTime(o.value("started").toString());
    r.finished = fromIsoTime(o.value("finished").toString());
    r.moduleType = o.value("module_type").toString();
    r.coreVersion = o.value("core_version").toString();
    r.applicationVersion = o.value("application_version").toString();
    r.programVersion = o.value("program_version").toString();
    r.serialNumber = parseSerial(o.value("serial_number").toString());
    r.serialState = serialStateFromName(o.value("serial_state").toString()).value_or(SerialState::Free);
    r.links = linksOf(o.value("links").toArray());
    const QJsonObject images = o.value("images").toObject();
    for (int i = 0; i < 3; ++i) {
        const QJsonObject image = images.value(kImageNames[i]).toObject();
        r.images[i] = {image.value("file").toString(), image.value("sha256").toString()};
    }
    r.failure = o.value("failure").toString();
    return r;
}

QByteArray recordsToJsonLines(const std::vector<ProductionRecord>& records) {
    QByteArray out;
    for (const ProductionRecord& r : records)
        out += QJsonDocument(recordToJson(r)).toJson(QJsonDocument::Compact) + '\n';
    return out;
}

QString csvField(const QString& text) {
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray recordsToCsv(const std::vector<ProductionRecord>& records) {
    QStringList header;
    for (int i = 0; i < kCsvColumnCount; ++i) header << QString::fromLatin1(kCsvColumns[i]);
    QString out = header.join(QLatin1Char(';')) + QLatin1String("\r\n");
    for (const ProductionRecord& r : records) {
        QStringList links;
        // "boot=ok/5120", or "boot=ok/9870x2" for a link run twice.
        for (const LinkRecord& l : r.links)
            links << QStringLiteral("%1=%2/%3").arg(l.name, l.outcome).arg(l.durationMs) +
                         (l.attempts > 1 ? QStringLiteral("x%1").arg(l.attempts) : QString());
        QStringList fields{r.station,
                           r.port,
                           r.portIdentity,
                           isoTime(r.started),
                           isoTime(r.finished),
                           r.moduleType,
                           r.coreVersion,
                           r.applicationVersion,
                           r.programVersion,
                           r.serialNumber ? serialText(*r.serialNumber) : QString(),
                           serialStateName(r.serialState),
                           links.join(QLatin1Char(' '))};
        for (const ImageRecord& image : r.images) fields << image.file << image.sha256;
        fields << r.failure;
        for (QString& f : fields) f = csvField(f);
        out += fields.join(QLatin1Char(';')) + QLatin1String("\r\n");
    }
    return out.toUtf8();
}

}  // namespace korvel::store
