// Write a fully filled form into the device simulator over a real
// pseudo-terminal and the system's serial port, then read it back into an
// empty form: every field and cell must come back as it was.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLocale>
#include <QProcess>
#include <memory>

#include "configuration/config_read.h"
#include "config_test_support.h"
#include "configuration/config_write.h"
#include "sample_configuration.h"
#include "simulator_process.h"

namespace korvel {
namespace {

using Simulator = test::SimulatorProcess;

const FormField kStoredFields[] = {
    FormField::SimTelephone,       FormField::SimPin,       FormField::GprsAccessPoint,
    FormField::GprsLogin,    FormField::GprsPassword,       FormField::Gprs2Period,
    FormField::Gprs3Address, FormField::Gprs3Port, FormField::BalanceUssd,
    FormField::BalancePeriod,  FormField::BalanceThreshold,    FormField::BalanceAlarmTelephone,
    FormField::SmsPassword,       FormField::Rs485Speed,
};

void expectSameConfiguration(const MemoryConfigForm& a, const MemoryConfigForm& b) {
    for (FormField field : kStoredFields)
        EXPECT_EQ(a.text(field), b.text(field)) << "field " << static_cast<int>(field);
    EXPECT_EQ(a.isChecked(FormCheck::Gprs2Enabled), b.isChecked(FormCheck::Gprs2Enabled));
    EXPECT_EQ(a.isChecked(FormCheck::Gprs3Enabled), b.isChecked(FormCheck::Gprs3Enabled));
    EXPECT_EQ(a.gprs2Server(), b.gprs2Server());
    for (FormGrid grid : {FormGrid::Servers, FormGrid::Meters, FormGrid::AlarmNumbers})
        for (int row = 0; row < MemoryConfigForm::rowCount(grid); ++row)
            for (int col = 0; col < MemoryConfigForm::columnCount(grid); ++col)
                EXPECT_EQ(a.cell(grid, col, row), b.cell(grid, col, row))
                    << "grid " << static_cast<int>(grid) << " cell " << col << "," << row;
}

// The device takes the date in day.month.year order.  Regional settings
// without a numeric short date (the C locale) give a text it refuses, so the
// round trip runs in a child process under Russian regional settings.
bool needsRegionalSettings() {
    return !QLocale::system().dateFormat(QLocale::ShortFormat).contains(QLatin1Char('.'));
}

int runSelfUnderRussianLocale(const char* testName) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("ru_RU.UTF-8"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=") + QString::fromLatin1(testName)});
    if (!child.waitForFinished(120000)) {
        child.kill();
        child.waitForFinished();
        return -1;
    }
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}

class RoundTrip : public ::testing::TestWithParam<bool> {
protected:
    // Runs this test again in a child under Russian regional settings when
    // the present ones give a date the device refuses; true when it did.
    bool rerunUnderRegionalSettings() {
        if (!needsRegionalSettings()) return false;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = std::string(info->test_suite_name()) + "." + info->name();
        EXPECT_EQ(runSelfUnderRussianLocale(name.c_str()), 0);
        return true;
    }
    // Starts the simulator (without echo for the NoEcho case) and fills the form.
    bool start(QStringList args = {}) {
        if (!GetParam()) args << QStringLiteral("--no-echo");
        simulator_ = std::make_unique<Simulator>(args);
        host.port = simulator_->port();
        test::numberRows(written);
        test::fillSampleConfiguration(written);
        return !host.port.isEmpty();
    }

    std::unique_ptr<Simulator> simulator_;
    test::RecordingHost host;
    test::FakeClock clock;
    std::unique_ptr<SerialPortFactory> ports = makeSystemSerialPortFactory();
    OperationContext ctx{host, *ports, clock};
    MemoryConfigForm written;
};

TEST_P(RoundTrip, EveryFieldComesBack) {
    if (rerunUnderRegionalSettings()) return;
    ASSERT_TRUE(start()) << "simulator did not come up";

    writeConfiguration(ctx, written);
    EXPECT_EQ(host.boxes(), QList<Box>{});
    EXPECT_TRUE(host.memo1().contains(test::event(LogNote::ConfigSaved)));

    MemoryConfigForm read;
    test::numberRows(read);
    host.clear();
    readConfiguration(ctx, read);
    EXPECT_TRUE(host.boxes().isEmpty());
    EXPECT_EQ(host.gauge.highest, 17);
    EXPECT_EQ(host.memo1().last(), test::event(LogNote::ConfigModeLeft));
    expectSameConfiguration(written, read);
    EXPECT_EQ(read.text(FormField::SoftwareVersion), QStringLiteral("1.0.5"));
    EXPECT_EQ(read.text(FormField::SerialNumber), QStringLiteral("00000000"));
    EXPECT_EQ(read.text(FormField::DeviceTime).size(), 8);
    EXPECT_EQ(read.text(FormField::DeviceDate), QStringLiteral("02.12.2026"));
}

INSTANTIATE_TEST_SUITE_P(Simulator, RoundTrip, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Echo" : "NoEcho"; });

}  // namespace
}  // namespace korvel
