// One test per row of the fault matrix.  Each prints one line
//   ROW <name> <waited_ms> <bound_ms> <cpu_ms> held|broken
// that tools/fault_matrix/run.sh gathers into a table.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>

#include "fault_rows.h"

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
    EXPECT_EQ(portFaults.size(), 7u);
    for (const auto& [operation, faults] : portFaults)
        EXPECT_EQ(faults.size(), 5u) << operationName(operation);
}

}  // namespace
}  // namespace korvel::test
