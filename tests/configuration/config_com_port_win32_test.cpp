// A configuration write and read through the Windows serial calls: the
// Windows build's tests run under Wine with a COM port whose other end is the
// device simulator (scripts/windows-build.sh maps it).  The port name comes
// from KORVEL_TEST_COM_CONFIG; without it there is no device and the test is
// skipped.
#include <gtest/gtest.h>

#include "configuration/config_read.h"
#include "config_test_support.h"
#include "configuration/config_write.h"
#include "sample_configuration.h"

namespace korvel {
namespace {

TEST(ComPortRoundTrip, WrittenConfigurationReadsBackThroughTheWindowsPort) {
    const QString port = qEnvironmentVariable("KORVEL_TEST_COM_CONFIG");
    if (port.isEmpty()) GTEST_SKIP() << "no COM port with a device simulator behind it";

    test::RecordingHost host;
    host.port = port;
    test::FakeClock clock;
    std::unique_ptr<SerialPortFactory> ports = makeSystemSerialPortFactory();
    OperationContext ctx{host, *ports, clock};

    MemoryConfigForm written;
    test::numberRows(written);
    test::fillSampleConfiguration(written);
    writeConfiguration(ctx, written);
    EXPECT_EQ(host.boxes(), QList<Box>{});
    EXPECT_TRUE(host.memo1().contains(test::event(LogNote::ConfigSaved)));
    EXPECT_EQ(host.statuses().last(), status::ConfigurationWritten);

    MemoryConfigForm read;
    test::numberRows(read);
    host.clear();
    readConfiguration(ctx, read);
    EXPECT_EQ(host.boxes(), QList<Box>{});
    EXPECT_EQ(host.gauge.highest, 17);
    for (FormField field : {FormField::SimTelephone, FormField::SimPin, FormField::GprsAccessPoint,
                            FormField::GprsLogin, FormField::GprsPassword, FormField::BalanceUssd,
                            FormField::SmsPassword, FormField::Rs485Speed})
        EXPECT_EQ(read.text(field), written.text(field)) << "field " << static_cast<int>(field);
    for (FormGrid grid : {FormGrid::Servers, FormGrid::Meters, FormGrid::AlarmNumbers})
        for (int row = 0; row < MemoryConfigForm::rowCount(grid); ++row)
            for (int col = 0; col < MemoryConfigForm::columnCount(grid); ++col)
                EXPECT_EQ(read.cell(grid, col, row), written.cell(grid, col, row))
                    << "grid " << static_cast<int>(grid) << " cell " << col << "," << row;
    // The Russian regional settings of the test machine give day.month.year.
    EXPECT_EQ(read.text(FormField::DeviceDate).size(), 10);
    EXPECT_EQ(read.text(FormField::DeviceDate).at(2), QLatin1Char('.'));
}

}  // namespace
}  // namespace korvel
