#include "text_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace korvel {

QByteArray toDeviceBytes(const QString& text) {
    QStringEncoder encoder("windows-1251");
    return encoder.encode(text);
}

QString fromDeviceBytes(const QByteArray& bytes) {
    QStringDecoder decoder("windows-1251");
    return decoder.decode(bytes);
}

QString replyText(const QByteArray& reply) {
    const qsizetype zero = reply.indexOf('\0');
    return fromDeviceBytes(zero < 0 ? reply : reply.left(zero));
}

}  // namespace korvel
