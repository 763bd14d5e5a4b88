// Texts cross the wire and the settings file as Windows-1251 bytes on every
// platform; inside the program they are QString.
#pragma once

#include <QByteArray>
#include <QString>

namespace korvel {

QByteArray toDeviceBytes(const QString& text);
QString fromDeviceBytes(const QByteArray& bytes);

// A received reply as text: the bytes up to the first zero byte among them.
QString replyText(const QByteArray& reply);

}  // namespace korvel
