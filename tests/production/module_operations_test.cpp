// Application control, serial number and identification on the scripted port.
#include <gtest/gtest.h>

#include "module_operations.h"
#include "recording_host.h"
#include "scripted_serial_port.h"

namespace korvel {
namespace {

using test::FakeClock;
using test::RecordingHost;
using Op = ScriptedSerialPort::Op;

struct ModuleFixture : ::testing::Test {
    RecordingHost host;
    ScriptedPortFactory ports;
    FakeClock clock;
    OperationContext ctx{host, ports, clock};
    ScriptedSerialPort& port() { return ports.port(); }
    void echoing() { port().queueRead("AT\r\nAT\r\nAT"); }
    void expectClosed() {
        EXPECT_FALSE(port().isOpen());
        EXPECT_FALSE(port().dtr());
    }
    std::vector<Timeouts> timeouts() {
        std::vector<Timeouts> out;
        for (const auto& c : ports.port().calls())
            if (c.op == Op::SetTimeouts) out.push_back(c.timeouts);
        return out;
    }
};

TEST_F(ModuleFixture, StartWithEchoSwallowsEachCommandAndShowsVersion) {
    echoing();
    port().queueRead("AT+WOPEN=1\r\n");
    port().queueRead("\r\nOK\r\n");
    port().queueRead("AT+ZQCONFIG\r\n");
    port().queueRead("\r\nOK\r\n");
    port().queueRead("AT+ZQVER?\r\n");
    port().queueRead("\r\n+ZQVER: 1.0.5-build-77\r\n");
    port().queueRead("AT+ZQEXIT\r\n");
    port().queueRead("\r\nOK\r\n");
    startApplication(ctx);
    EXPECT_EQ(port().readSizes(), (std::vector<std::size_t>{10, 12, 6, 13, 6, 11, 28, 11, 9}));
    EXPECT_EQ(host.statuses(),
              (QStringList{" Порт открыт", " Параметры порта установлены", " Приложение запущено",
                           " Коммуникатор в режиме конфигурирования", "Версия ПО: 1.0.5-buil",
                           " Коммуникатор в рабочем режиме"}));
    EXPECT_EQ(clock.sleeps, std::vector<std::uint32_t>{3000});
    EXPECT_EQ(timeouts(), (std::vector<Timeouts>{{500, 0, 1000, 0, 1000}, {500, 0, 10000, 0, 1000}}));
    EXPECT_TRUE(host.boxes().isEmpty());
    expectClosed();
}

TEST_F(ModuleFixture, StartWhereOnlyTheEchoTestIsAnsweredEndsAtTheVersion) {
    port().queueRead("\r\nOK\r\n");  // answers the echo test, then nothing
    startApplication(ctx);
    EXPECT_EQ(host.boxes(), QStringList{"Abort:Ошибка считывания версии!"});
    EXPECT_TRUE(host.statuses().contains(" Приложение запущено"));
    EXPECT_EQ(port().count(Op::Read), 4u);  // echo test + three 10000 ms reads
    expectClosed();
}

TEST_F(ModuleFixture, SilentDeviceIsNeverReportedAsStarted) {
    startApplication(ctx);
    EXPECT_EQ(host.boxes(),
              QStringList{"Abort:Коммуникатор не отвечает. Проверьте подключение и выбранный COM-порт."});
    EXPECT_FALSE(host.statuses().contains(" Приложение запущено"));
    EXPECT_EQ(port().writes(), (std::vector<std::string>{"AT\r\n", "AT+WOPEN=1\r\n"}));
    expectClosed();
}

TEST_F(ModuleFixture, DeleteCountsAnyReplyToEraseAsDone) {
    port().queueRead("");
    port().queueRead("\r\nOK\r\n");
    port().queueRead("\r\nERROR\r\n");
    port().queueRead("+CME ERROR: 3");
    deleteApplication(ctx);
    EXPECT_EQ(port().writes(), (std::vector<std::string>{"AT\r\n", "AT+WOPEN=0\r\n", "AT+WOPEN=3\r\n",
                                                          "AT+WOPEN=4\r\n"}));
    EXPECT_EQ(host.statuses().mid(2), (QStringList{" Приложение остановлено", " Flash-объекты удалены",
                                                   " Приложение удалено"}));
    EXPECT_TRUE(host.boxes().isEmpty());
    expectClosed();
}

TEST_F(ModuleFixture, DeleteStopsAtTheFirstSilentErase) {
    port().queueRead("\r\nOK\r\n");
    port().queueRead("\r\nOK\r\n");
    deleteApplication(ctx);
    EXPECT_EQ(host.boxes(), QStringList{"Abort:Ошибка удаления flash-объектов!"});
    EXPECT_EQ(port().writes().size(), 3u);
    expectClosed();
}

TEST_F(ModuleFixture, SerialNumberWithLeadingZerosAndEcho) {
    echoing();
    port().queueRead("AT+ZQCONFIG\r\n");
    port().queueRead("\r\nOK\r\n");
    port().queueRead("AT+ZQSNUM=00001234\r\n");
    port().queueRead("\r\nOK\r\n");
    port().queueRead("AT+ZQEXIT\r\n");
    port().queueRead("\r\nOK\r\n");
    programSerialNumber(ctx, "00001234");
    const auto w = port().writes();
    EXPECT_EQ(w, (std::vector<std::string>{"AT\r\n", "AT+ZQCONFIG\r\n", "AT+ZQSNUM=", "00001234",
                                           "\r\n", "AT+ZQEXIT\r\n"}));
    EXPECT_EQ(port().readSizes(), (std::vector<std::size_t>{10, 13, 6, 20, 6, 11, 9}));
    EXPECT_TRUE(host.statuses().contains("Cерийный номер 00001234 записан"));
    EXPECT_EQ(host.statuses().last(), " Коммуникатор в рабочем режиме");
    expectClosed();
}

TEST_F(ModuleFixture, RejectedSerialNumberSendsNoExit) {
    port().queueRead("");
    port().queueRead("\r\nOK\r\n");
    port().queueRead("\r\nERROR\r\n");
    programSerialNumber(ctx, "12345678");
    EXPECT_EQ(host.boxes(), QStringList{"Abort:Ошибка записи серийного номера!"});
    EXPECT_EQ(port().writes().back(), "\r\n");
    expectClosed();
}

TEST_F(ModuleFixture, IncompleteSerialNumberNeverOpensThePort) {
    programSerialNumber(ctx, "1234    ");
    EXPECT_EQ(host.boxes(), QStringList{"Ok:Серийный номер должен состоять из 8 цифр!"});
    EXPECT_EQ(ports.created(), 0);
}

TEST_F(ModuleFixture, IdentificationSwallowsEchoAndSilentModuleChangesNothing) {
    echoing();
    port().queueRead("AT+CGMR\r\n");
    port().queueRead("\r\nR7.43.0.201001.Q2687RD 2318092 100110 17:10\r\n\r\nOK\r\n");
    const Outcome id = identifyModule(ctx);
    ASSERT_TRUE(id.ok());
    EXPECT_EQ(id.coreVersion, "R7.43.0");
    EXPECT_EQ(id.moduleType, "Q2687RD");
    EXPECT_EQ(port().readSizes(), (std::vector<std::size_t>{10, 9, 1000}));
    EXPECT_EQ(timeouts().size(), 2u);
    expectClosed();

    RecordingHost h;
    ScriptedPortFactory f;
    OperationContext x{h, f, clock};
    EXPECT_EQ(identifyModule(x).result, Result::DeviceSilent);
    EXPECT_TRUE(h.boxes().isEmpty());
}

TEST_F(ModuleFixture, ImageWriteChecksPortThenFile) {
    host.port.clear();
    EXPECT_EQ(writeProductionImage(ctx, "").result, Result::NoPortChosen);
    EXPECT_EQ(host.boxes(), QStringList{"Ok:Не выбран COM-порт к которому подключен контроллер!"});
    host.port = "COM3";
    EXPECT_EQ(writeProductionImage(ctx, "").result, Result::InvalidInput);
    EXPECT_EQ(host.boxes().last(), "Ok:Не выбран файл!");
    EXPECT_EQ(ports.created(), 0);
}

}  // namespace
}  // namespace korvel
