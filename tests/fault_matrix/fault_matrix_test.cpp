// One test per row of the fault matrix.  Each prints one line
//   ROW <name> <waited_ms> <bound_ms> <cpu_ms> held|broken
// that tools/fault_matrix/run.sh gathers into a table.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>

#include "fault_rows.h"
#include "device_link/serial/serial_port.h"
#include "simulator_process.h"

namespace korvel::test {
namespace {

class FaultMatrix : public ::testing::TestWithParam<FaultRow> {};

TEST_P(FaultMatrix, Holds) {
    const FaultRow& row = GetParam();
    const RowResult result = runFaultRow(row);
    std::printf("ROW %s %lld %d %lld %s\n", row.name.c_str(), result.waitedMs, row.boundMs,
                result.cpuMs, HasFailure() ? "broken" : "held");
    std::fflush(stdout);
}

INSTANTIATE_TEST_SUITE_P(Rows, FaultMatrix, ::testing::ValuesIn(faultRows()),
                         [](const ::testing::TestParamInfo<FaultRow>& info) {
                             return info.param.name;
                         });

TEST(FaultMatrixTable, RowNamesAreUniqueAndEveryOperationMeetsEveryPortFault) {
    std::set<std::string> names;
    std::map<Operation, std::set<PortFault>> portFaults;
    for (const FaultRow& row : faultRows()) {
        EXPECT_TRUE(names.insert(row.name).second) << row.name;
        portFaults[row.operation].insert(row.port);
        EXPECT_GT(row.boundMs, 0) << row.name;
    }
    EXPECT_EQ(portFaults.size(), 8u);
    for (const auto& [operation, faults] : portFaults)
        EXPECT_EQ(faults.size(), 5u) << operationName(operation);
}

// The row's port checks are not blind: a port left open is seen.
TEST(FaultMatrixTable, APortLeftOpenIsSeen) {
    SimulatorProcess sim;
    ASSERT_TRUE(sim.ready());
    const std::unique_ptr<SerialPortFactory> ports = makeSystemSerialPortFactory();
    std::unique_ptr<SerialPort> left = ports->create();
    ASSERT_TRUE(left->open(sim.port().toStdString()));
    EXPECT_TRUE(descriptorOpenOn(sim.port()));
    EXPECT_FALSE(ports->create()->open(sim.port().toStdString()));
    left->close();
    EXPECT_FALSE(descriptorOpenOn(sim.port()));
    EXPECT_TRUE(ports->create()->open(sim.port().toStdString()));
}

}  // namespace
}  // namespace korvel::test
