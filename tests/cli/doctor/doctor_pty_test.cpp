// korvel-cli doctor's "AT" exchange against the device simulator on a
// pseudo-terminal: an answer, silence, a refusal, a port that is not there.
#include <gtest/gtest.h>

#include "cli/doctor.h"
#include "simulator_process.h"

namespace korvel::cli {
namespace {

TEST(DoctorPty, OneAtExchangeTellsWhetherTheDeviceAnswers) {
    const auto ports = makeSystemSerialPortFactory();
    struct Row {
        QStringList options;
        Finding finding;
        qint64 echo;
    } rows[] = {
        {{}, Finding::AtAnswered, 1},
        {{"--no-echo"}, Finding::AtAnswered, 0},
        {{"--silent"}, Finding::AtSilent, 0},
        {{"--refuse", "AT"}, Finding::AtGarbled, 0},
    };
    for (const Row& row : rows) {
        test::SimulatorProcess sim(row.options);
        ASSERT_TRUE(sim.ready());
        const CheckResult r = checkAtAnswer(sim.port(), *ports);
        SCOPED_TRACE(row.options.join(' ').toStdString());
        EXPECT_EQ(r.finding, row.finding);
        EXPECT_EQ(r.value, row.echo);
        EXPECT_EQ(r.level, row.finding == Finding::AtAnswered ? Level::Ok : Level::Problem);
        // One exchange: "AT" alone went to the device.
        EXPECT_EQ(sim.waitForReceived(4, 500), QByteArray("AT\r\n"));
        if (row.finding == Finding::AtGarbled) {
            EXPECT_TRUE(r.detail.contains("ERR")) << r.detail.toStdString();
        }
    }
    const CheckResult absent = checkAtAnswer("/dev/ttyKORVEL_ABSENT9", *ports);
    EXPECT_EQ(absent.finding, Finding::AtPortUnusable);
    EXPECT_EQ(absent.openFailure, OpenFailure::Absent);
}

}  // namespace
}  // namespace korvel::cli
