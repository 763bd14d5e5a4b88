// The device clock commands of the configuration write: the PC's local time
// and date in the system's regional formats.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

#include "device_link/at_dialogue.h"
#include "device_link/serial/clock.h"

namespace korvel {

// "hh:nn:ss" with each ":" replaced by the regional time separator.
QString timeText(const QTime& time, const QString& timeSeparator);
// The date in the regional short date pattern (Qt pattern letters d, M, y).
QString dateText(const QDate& date, const QString& shortDatePattern);

// The regional settings: on Windows the user's settings as the system gives
// them; on Linux the locale of the environment (LC_TIME / LANG) through
// QLocale::system().  The separator is the character that follows the hours
// in the locale's short time format (":" when it has none).  The C locale,
// which has no regional settings, gives ":" and "dd.MM.yyyy".
QString regionalTimeSeparator(const QLocale& locale = QLocale::system());
QString regionalShortDatePattern(const QLocale& locale = QLocale::system());

QDateTime localNow(Clock& clock);

// The two command steps; each reads the clock when its command is built.
Verdict timeCommandStep(AtDialogue& at, Clock& clock, Gauge* progress,
                        const QLocale& locale = QLocale::system());
Verdict dateCommandStep(AtDialogue& at, Clock& clock, Gauge* progress,
                        const QLocale& locale = QLocale::system());

}  // namespace korvel
