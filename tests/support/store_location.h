// Where a store test keeps its store: an SQLite file in a temporary folder,
// or a schema of its own on the PostgreSQL server named by
// KORVEL_TEST_POSTGRESQL (scripts/postgresql-test.sh starts one and sets it).
#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace korvel::test {

inline const char* const kStoreKinds[] = {"sqlite", "postgresql"};
inline std::string storeKindName(const ::testing::TestParamInfo<const char*>& info) { return info.param; }

// Empty when the kind cannot be had here; the test then skips.
inline QString freshStoreLocation(const std::string& kind, const QTemporaryDir& dir, const QString& name) {
    if (kind == "sqlite") return dir.filePath(name + QStringLiteral(".sqlite"));
    const QString server = qEnvironmentVariable("KORVEL_TEST_POSTGRESQL");
    if (server.isEmpty()) return QString();
    // A schema emptied for this test, made the store's only one; the
    // session's clock is a factory's far from UTC.
    QProcess psql;
    psql.start(QStringLiteral("psql"), {"-q", "-v", "ON_ERROR_STOP=1", "-d", server, "-c",
                                        QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE; CREATE SCHEMA %1").arg(name)});
    if (!psql.waitForFinished(30000) || psql.exitCode() != 0) {
        ADD_FAILURE() << "psql: " << psql.readAllStandardError().toStdString();
        return QString();
    }
    return server + (server.contains(u'?') ? u'&' : u'?') + QStringLiteral("options=-csearch_path%3D") + name +
           QStringLiteral("%20-ctimezone%3DAsia/Yekaterinburg");
}

inline const char kNoPostgresql[] =
    "no PostgreSQL server for this test: KORVEL_TEST_POSTGRESQL is not set "
    "(bash scripts/postgresql-test.sh starts one and runs these tests)";

}  // namespace korvel::test
