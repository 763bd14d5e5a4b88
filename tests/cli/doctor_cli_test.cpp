// korvel-cli doctor run as a user runs it, against the simulator on a
// pseudo-terminal: one JSON object per check, the device's answer to AT,
// the simulator named as the holder of its own terminal, and the exit code.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "simulator_process.h"

namespace korvel {
namespace {

struct Doctor {
    int code = -1;
    std::vector<QJsonObject> lines;
    QString out;
};

Doctor doctor(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(KORVEL_CLI_PATH), QStringList{"doctor"} + args);
    p.waitForFinished(30000);
    Doctor d{p.exitCode(), {}, QString::fromUtf8(p.readAllStandardOutput())};
    for (const QString& line : d.out.split(u'\n', Qt::SkipEmptyParts))
        d.lines.push_back(QJsonDocument::fromJson(line.toUtf8()).object());
    return d;
}

const QJsonObject* line(const Doctor& d, const char* check) {
    for (const QJsonObject& o : d.lines)
        if (o.value("check").toString() == QLatin1String(check)) return &o;
    return nullptr;
}

TEST(CliDoctor, ChecksAPortAndItsDevice) {
    test::SimulatorProcess sim;
    ASSERT_TRUE(sim.ready());
    QTemporaryDir dir;
    for (const char* name : {"dwl.dwl", "firmware_Q2687RD.dwl", "KORVEL.dwl"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("image");
    }
    const QString store = dir.filePath("station.sqlite");
    const Doctor d = doctor({"--port", sim.port(), "--folder", dir.path(), "--store", store, "--json"});
    ASSERT_FALSE(d.lines.empty()) << d.out.toStdString();
    for (const QJsonObject& o : d.lines) {
        EXPECT_FALSE(o.value("finding").toString().isEmpty()) << d.out.toStdString();
        EXPECT_FALSE(o.value("text").toString().isEmpty());
        // Every warning and problem says how to mend it.
        if (o.value("level").toString() != "ok") {
            EXPECT_FALSE(o.value("mend").toString().isEmpty());
        }
    }
    ASSERT_TRUE(line(d, "at-answer"));
    EXPECT_EQ(line(d, "at-answer")->value("finding").toString(), "at-answered");
    // The simulator keeps its terminal's slave side open itself.
    ASSERT_TRUE(line(d, "port-holders"));
    EXPECT_EQ(line(d, "port-holders")->value("finding").toString(), "held-by-other");
    EXPECT_EQ(line(d, "port-holders")->value("holders").toArray().at(0).toObject().value("pid").toInteger(), sim.pid());
    EXPECT_EQ(line(d, "store")->value("finding").toString(), "store-absent");
    EXPECT_FALSE(QFile::exists(store));
    EXPECT_EQ(d.code, 1);

    // Without a port and with a folder lacking its images: exit 1 all the
    // same, and the text lines say so.
    const QString empty = dir.filePath("empty");
    QDir().mkpath(empty);
    const Doctor text = doctor({"--folder", empty, "--store", store});
    EXPECT_EQ(text.code, 1);
    EXPECT_TRUE(text.out.contains("dwl.dwl")) << text.out.toStdString();
}

}  // namespace
}  // namespace korvel
