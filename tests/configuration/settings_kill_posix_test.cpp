// A save killed at any moment leaves the settings file whole: after every
// SIGKILL it reads back as either the old or the new content, never a mix.
#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "configuration/memory_config_form.h"
#include "configuration/settings_store.h"

namespace korvel {
namespace {

void fill(MemoryConfigForm& form, const QString& tag) {
    form.setText(FormField::GprsAccessPoint, tag + QStringLiteral(".apn.example"));
    form.setText(FormField::GprsLogin, tag + QStringLiteral("-user"));
    form.setText(FormField::ObjectDescription, tag.repeated(200));  // a file of some size
}

TEST(SettingsKill, FileIsAlwaysOldOrNew) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("korvel.INI"));
    MemoryConfigForm first;
    fill(first, QStringLiteral("A"));
    ASSERT_TRUE(saveSettings(path, first).written);

    QRandomGenerator random(2026);
    for (int round = 0; round < 200; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            MemoryConfigForm form;
            for (int i = 0;; ++i) {
                fill(form, i % 2 ? QStringLiteral("A") : QStringLiteral("B"));
                saveSettings(path, form);
            }
        }
        usleep(static_cast<useconds_t>(random.bounded(3000)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);

        MemoryConfigForm read;
        loadSettings(path, read);
        const QString apn = read.text(FormField::GprsAccessPoint);
        ASSERT_TRUE(apn == "A.apn.example" || apn == "B.apn.example") << round << ": " << apn.toStdString();
        const QString tag = apn.left(1);
        ASSERT_EQ(read.text(FormField::GprsLogin), tag + "-user") << round;
        ASSERT_EQ(read.text(FormField::ObjectDescription), tag.repeated(200)) << round;
    }
}

}  // namespace
}  // namespace korvel
