// The update and production pages of the real window against the device
// simulator over a pseudo-terminal: an image loaded from page 2, and a blank
// device prepared with one click on "Запись автоматически".
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <iostream>

#include "device_buttons.h"
#include "file_bytes.h"
#include "main_window/configuration_page.h"
#include "main_window/firmware_update_page.h"
#include "main_window/main_window.h"
#include "main_window/port_choice_box.h"
#include "main_window/production_page.h"
#include "main_window/gauge_widget.h"
#include "main_window/masked_edit.h"
#include "recording_dialogs.h"
#include "simulator_process.h"
#include "station/station_store.h"

namespace korvel {
namespace {

using test::RecordingDialogs;
using test::SimulatorProcess;
using test::pressEveryDeviceButton;

QByteArray randomBytes(int size, quint32 seed) {
    QByteArray bytes(size, 0);
    QRandomGenerator gen(seed);
    for (char& c : bytes) c = static_cast<char>(gen.generate() & 0xFF);
    return bytes;
}



// What the simulator stored: the image padded to whole blocks.
QByteArray padded(const QByteArray& image) {
    QByteArray out = image;
    while (out.size() % 128) out.append(char(0x1A));
    return out;
}

// The longest stretch in which the window processed no events: a timer that
// wants to fire every 5 ms fires only when the window's messages are
// processed, so the largest gap between two of its firings is the longest
// time the window did not answer.
class UnansweredTime {
public:
    UnansweredTime() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            longest_ = std::max(longest_, clock_.restart());
        });
        timer_.start(5);
        clock_.start();
    }
    qint64 longestMs() const { return std::max(longest_, clock_.elapsed()); }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
};

constexpr qint64 kLongestUnansweredMs = 250;

// A user who does not wait: once `sim` has received `bytes`, from the
// window's own event loop (so inside the running operation's waits), `act`
// runs once.
class OnceReceived {
public:
    OnceReceived(const SimulatorProcess& sim, QByteArray bytes, std::function<void()> act)
        : sim_(sim), bytes_(std::move(bytes)), act_(std::move(act)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (done_ || !sim_.received().contains(bytes_)) return;
            done_ = true;
            timer_.stop();
            act_();
        });
        timer_.start(20);
    }
    bool done() const { return done_; }

private:
    const SimulatorProcess& sim_;
    QByteArray bytes_;
    std::function<void()> act_;
    QTimer timer_;
    bool done_ = false;
};


class FirmwarePagesTest : public ::testing::Test {
protected:
    std::unique_ptr<MainWindow> make(const QString& port, const QStringList& args = {}) {
        MainWindowServices services;
        services.dialogs = dialogs;
        services.portSource = [] { return QStringList{}; };
        services.settingsPath = dir.filePath(QStringLiteral("korvel.INI"));
        services.productionStore = storeFile();
        auto form = std::make_unique<MainWindow>(args, services);
        form->portChoice->setEditText(port);
        form->show();
        return form;
    }
    QString storeFile() const { return dir.filePath(QStringLiteral("station.sqlite")); }
    QString memo2(MainWindow& f) const { return f.productionPage()->productionLog->toPlainText(); }

    QTemporaryDir dir;
    std::shared_ptr<RecordingDialogs> dialogs = std::make_shared<RecordingDialogs>();
};

TEST_F(FirmwarePagesTest, UpdatePageLoadsAWholeImageIntoTheModule) {
    QTemporaryDir images;
    SimulatorProcess sim({"--restart-ms", "100", "--image-dir", images.path()});
    SimulatorProcess other;
    ASSERT_TRUE(sim.ready() && other.ready());
    auto form = make(sim.port(), {QStringLiteral("-p")});
    form->productionPage()->automaticMode->setChecked(false);
    form->pages->setCurrentWidget(form->firmwareUpdatePage());
    const QByteArray image = randomBytes(200 * 1024 + 77, 7);
    const QString path = dir.filePath(QStringLiteral("update.dwl"));
    test::writeFileBytes(path, image);

    dialogs->fileAnswers.push_back(path);
    QTest::mouseClick(form->firmwareUpdatePage()->chooseFirmwareButton, Qt::LeftButton);
    EXPECT_EQ(form->firmwareUpdatePage()->firmwareFile->text(), QDir::toNativeSeparators(path));
    EXPECT_EQ(dialogs->openFileFilters.value(0), QStringLiteral("Файл ПО KORVEL (*.dwl) |*.dwl"));

    // While the port is closed after AT+WDWL, every device button is
    // pressed again with another device's port typed: nothing starts.
    OnceReceived impatient(sim, "AT+WDWL\r\n", [&] {
        form->portChoice->setEditText(other.port());
        pressEveryDeviceButton(*form);
    });
    QTest::mouseClick(form->firmwareUpdatePage()->writeFirmwareButton, Qt::LeftButton);
    EXPECT_TRUE(impatient.done());
    EXPECT_EQ(sim.received().count("AT+WDWL\r\n"), 1);
    EXPECT_TRUE(other.received().isEmpty());
    EXPECT_EQ(test::readFileBytes(images.filePath(QStringLiteral("image-1.dwl"))), padded(image));
    EXPECT_EQ(form->firmwareUpdatePage()->firmwareProgress->progress(), form->firmwareUpdatePage()->firmwareProgress->max());
    EXPECT_EQ(form->firmwareUpdatePage()->firmwareProgress->max(), image.size());
    EXPECT_TRUE(memo2(*form).endsWith(QStringLiteral(" Сброс контроллера")));
    EXPECT_TRUE(dialogs->boxes.empty());

    // Cancel empties the field; the write then asks for a file.
    form->portChoice->setEditText(sim.port());
    QTest::mouseClick(form->firmwareUpdatePage()->chooseFirmwareButton, Qt::LeftButton);
    EXPECT_TRUE(form->firmwareUpdatePage()->firmwareFile->text().isEmpty());
    QTest::mouseClick(form->firmwareUpdatePage()->writeFirmwareButton, Qt::LeftButton);
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, QStringLiteral("Не выбран файл!"));
}

TEST_F(FirmwarePagesTest, AutomaticWritePreparesABlankDevice) {
    QTemporaryDir images;
    QTemporaryDir fw;
    const QString state = dir.filePath(QStringLiteral("device.state"));
    SimulatorProcess sim({"--restart-ms", "100", "--image-dir", images.path(), "--state", state,
                          "--app-version", "2.3.4"});
    SimulatorProcess other;
    ASSERT_TRUE(sim.ready() && other.ready());
    const QByteArray boot = randomBytes(3000, 1), firmware = randomBytes(9000, 2),
                     application = randomBytes(5000, 3);
    test::writeFileBytes(fw.filePath(QStringLiteral("dwl.dwl")), boot);
    test::writeFileBytes(fw.filePath(QStringLiteral("firmware_Q2687RD.dwl")), firmware);
    test::writeFileBytes(fw.filePath(QStringLiteral("KORVEL.dwl")), application);

    auto form = make(sim.port(), {QStringLiteral("-p")});
    EXPECT_FALSE(form->productionPage()->writeBootLoaderButton->isEnabled());  // automatic mode from start-up
    dialogs->folderAnswers.push_back(fw.path());
    QTest::mouseClick(form->productionPage()->chooseFolderButton, Qt::LeftButton);
    EXPECT_EQ(dialogs->folderTitles.value(0), QStringLiteral("Выберите папку с файлами ПО"));
    form->productionPage()->serialNumber->setFocus();
    QTest::keyClick(form->productionPage()->serialNumber, Qt::Key_Home);
    QTest::keyClicks(form->productionPage()->serialNumber, QStringLiteral("00012345"));
    EXPECT_EQ(form->productionPage()->serialNumber->value(), QStringLiteral("00012345"));

    {
        // The write runs in plain mode too.  Once the module is identified the
        // port box is retyped to another device and, in the first image
        // write's gap, every device button is pressed: the write goes on with
        // the device it started on, and nothing else starts.
        form->productionPage()->automaticMode->setChecked(false);
        OnceReceived retyped(sim, "AT+CGMR\r\n", [&] { form->portChoice->setEditText(other.port()); });
        OnceReceived impatient(sim, "AT+WDWL\r\n", [&] {
            form->productionPage()->serialNumber->setFocus();
            QTest::keyClick(form->productionPage()->serialNumber, Qt::Key_Home);
            QTest::keyClicks(form->productionPage()->serialNumber, QStringLiteral("00099999"));
            pressEveryDeviceButton(*form);
        });
        UnansweredTime unanswered;
        QTest::mouseClick(form->productionPage()->automaticWriteButton, Qt::LeftButton);
        std::cout << "automatic write: window unanswered for at most " << unanswered.longestMs() << " ms\n";
        EXPECT_LE(unanswered.longestMs(), kLongestUnansweredMs);
        EXPECT_TRUE(retyped.done() && impatient.done());
        EXPECT_TRUE(other.received().isEmpty());
        EXPECT_EQ(sim.received().count("AT+WDWL\r\n"), 3);
        EXPECT_EQ(sim.received().count("AT+ZQSNUM="), 1);
    }

    EXPECT_TRUE(dialogs->boxes.empty()) << dialogs->texts().join('\n').toStdString();
    EXPECT_EQ(form->productionPage()->moduleType->text(), QStringLiteral("Q2687RD"));
    EXPECT_EQ(form->productionPage()->coreVersion->text(), QStringLiteral("R7.43.0"));
    EXPECT_EQ(test::readFileBytes(images.filePath(QStringLiteral("image-1.dwl"))), padded(boot));
    EXPECT_EQ(test::readFileBytes(images.filePath(QStringLiteral("image-2.dwl"))), padded(firmware));
    EXPECT_EQ(test::readFileBytes(images.filePath(QStringLiteral("image-3.dwl"))), padded(application));
    const QString log = memo2(*form);
    for (const char* text : {" Приложение удалено", " Приложение запущено", "Версия ПО: 2.3.4",
                             "Cерийный номер 00012345 записан"})
        EXPECT_TRUE(log.contains(QString::fromUtf8(text))) << text;
    const QByteArray received = sim.received();
    EXPECT_LT(received.indexOf("AT+WOPEN=4\r\n"), received.indexOf("AT+WDWL\r\n"));
    EXPECT_GT(received.lastIndexOf("AT+WOPEN=1\r\n"), received.lastIndexOf("AT+WDWL\r\n"));
    EXPECT_TRUE(test::readFileBytes(state).contains("00012345"));
    // Marks cleared and the button back at the end.
    EXPECT_TRUE(form->productionPage()->automaticWriteButton->isEnabled());
    EXPECT_NE(form->productionPage()->bootLoaderFile->palette().color(QPalette::Base), QColor(0, 128, 0));

    // The device is recorded in the station store with the field's number.
    korvel::store::StoreError error;
    const auto s = store::openStationStore(storeFile(), error);
    ASSERT_TRUE(s) << korvel::store::storeErrorSummary(error).toStdString();
    const auto records = *s->exportRecords({});
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].port, sim.port());  // the port the write started on
    EXPECT_EQ(records[0].station, QSysInfo::machineHostName() + QStringLiteral("-window"));  // not korvel-cli's default
    EXPECT_EQ(records[0].serialNumber, std::optional<quint32>(12345));
    EXPECT_EQ(records[0].serialState, store::SerialState::Stored);
    EXPECT_EQ(records[0].links.size(), 8u);
    EXPECT_EQ(records[0].moduleType, QStringLiteral("Q2687RD"));
    EXPECT_TRUE(records[0].failure.isEmpty()) << records[0].failure.toStdString();
}

// A silent module keeps the update page waiting 37.5 s (pauses, the 30 s
// wait for its first request, the restart) and the start of its application
// 11 s (the 1 s echo test, the 10 s read): the window answers all along.
TEST_F(FirmwarePagesTest, WindowAnswersThroughTheLongestWaits) {
    SimulatorProcess sim({"--silent"});
    ASSERT_TRUE(sim.ready());
    auto form = make(sim.port(), {QStringLiteral("-p")});
    const QString path = dir.filePath(QStringLiteral("update.dwl"));
    test::writeFileBytes(path, randomBytes(1000, 9));
    form->firmwareUpdatePage()->firmwareFile->setText(path);
    form->productionPage()->automaticMode->setChecked(false);
    const struct {
        const char* what;
        QPushButton* button;
        qint64 atLeastMs;
    } waits[] = {
        {"silent-module update", form->firmwareUpdatePage()->writeFirmwareButton, 37000},
        {"silent start", form->productionPage()->operationButton("Application_Start"), 10900},
    };
    for (const auto& w : waits) {
        QElapsedTimer took;
        took.start();
        UnansweredTime unanswered;
        QTest::mouseClick(w.button, Qt::LeftButton);
        std::cout << w.what << ": " << took.elapsed() << " ms, window unanswered for at most "
                  << unanswered.longestMs() << " ms\n";
        EXPECT_GE(took.elapsed(), w.atLeastMs) << w.what << ": the waits keep their length";
        EXPECT_LE(unanswered.longestMs(), kLongestUnansweredMs) << w.what;
    }
}

TEST_F(FirmwarePagesTest, AutomaticWriteWithoutPortRunsEveryLink) {
    for (bool automatic : {true, false}) {
        dialogs->boxes.clear();
        auto form = make(QString(), {QStringLiteral("-p")});
        form->productionPage()->automaticMode->setChecked(automatic);
        EXPECT_EQ(form->productionPage()->writeBootLoaderButton->isEnabled(), !automatic);
        std::vector<bool> bootMarked;
        dialogs->onBox = [&](const RecordingDialogs::Box&) {
            bootMarked.push_back(form->productionPage()->bootLoaderFile->palette().color(QPalette::Base) == QColor(0, 128, 0));
        };
        QTest::mouseClick(form->productionPage()->automaticWriteButton, Qt::LeftButton);
        dialogs->onBox = nullptr;
        // Identification, delete, three writes, start, serial number: each its
        // own port box; the folder search its three file boxes.
        int portBoxes = 0, fileBoxes = 0;
        for (const auto& b : dialogs->boxes) {
            if (b.text == QStringLiteral("Не выбран COM-порт к которому подключен контроллер!")) ++portBoxes;
            if (b.caption == QStringLiteral("File Error")) ++fileBoxes;
        }
        EXPECT_EQ(portBoxes, 7);
        EXPECT_EQ(fileBoxes, 3);
        ASSERT_EQ(bootMarked.size(), 10u);
        EXPECT_FALSE(bootMarked[5]);  // the boot write's own box, before its mark
        EXPECT_TRUE(bootMarked[6]);   // the firmware write's box: boot already marked
        EXPECT_TRUE(form->productionPage()->automaticWriteButton->isEnabled());
        EXPECT_NE(form->productionPage()->bootLoaderFile->palette().color(QPalette::Base), QColor(0, 128, 0));
    }
}

}  // namespace
}  // namespace korvel
