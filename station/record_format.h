// A device record as the exports and the databases write it: one JSON object,
// or one row of a CSV table separated by semicolons.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <vector>

#include "station/station_store.h"

namespace korvel::store {

// Times as ISO 8601 in UTC with milliseconds: 2024-05-14T09:03:11.250Z.
QString isoTime(const QDateTime& time);
QDateTime fromIsoTime(const QString& text);

QJsonObject recordToJson(const ProductionRecord& record);
ProductionRecord recordFromJson(const QJsonObject& object);

// The parts the databases keep as JSON text.
QString linksToJson(const std::vector<LinkRecord>& links);
std::vector<LinkRecord> linksFromJson(const QString& text);

// One object per line, UTF-8, each line ended by "\n".
QByteArray recordsToJsonLines(const std::vector<ProductionRecord>& records);

// A header row and one row per record, separated by ";", ended by CR LF.  A
// field holding ";", a quote, CR or LF is quoted, its quotes doubled, so that
// it reads back as it was.  The links column reads
// "identify=ok/812 files=ok/3 …" (outcome, then duration in ms).
QByteArray recordsToCsv(const std::vector<ProductionRecord>& records);
QString csvField(const QString& text);

extern const char* const kCsvColumns[];
extern const int kCsvColumnCount;

}  // namespace korvel::store
