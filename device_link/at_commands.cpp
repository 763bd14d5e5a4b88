#include "device_link/at_commands.h"

namespace korvel {

QByteArray atCommand(AtCommand command) {
    switch (command) {
        case AtCommand::Attention: return QByteArrayLiteral("AT\r\n");
        case AtCommand::ConfigMode: return QByteArrayLiteral("AT+ZQCONFIG\r\n");
        case AtCommand::SaveConfig: return QByteArrayLiteral("AT+ZQSAVE\r\n");
        case AtCommand::ExitConfigMode: return QByteArrayLiteral("AT+ZQEXIT\r\n");
        case AtCommand::Restart: return QByteArrayLiteral("AT+CFUN=1\r\n");
        case AtCommand::DownloadMode: return QByteArrayLiteral("AT+WDWL\r\n");
        case AtCommand::Identification: return QByteArrayLiteral("AT+CGMR\r\n");
        case AtCommand::StopApplication: return QByteArrayLiteral("AT+WOPEN=0\r\n");
        case AtCommand::StartApplication: return QByteArrayLiteral("AT+WOPEN=1\r\n");
        case AtCommand::EraseObjects: return QByteArrayLiteral("AT+WOPEN=3\r\n");
        case AtCommand::EraseApplication: return QByteArrayLiteral("AT+WOPEN=4\r\n");
        case AtCommand::ApplicationVersion: return QByteArrayLiteral("AT+ZQVER?\r\n");
        case AtCommand::SerialNumber: return QByteArrayLiteral("AT+ZQSNUM=");
    }
    return QByteArray();
}

}  // namespace korvel
