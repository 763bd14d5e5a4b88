#include "cli/doctor_texts.h"

#include <QStringList>
#include <utility>

namespace korvel::cli {

namespace {

const std::pair<Finding, const char*> kFindingKeys[] = {
    {Finding::NoPorts, "no-ports"},
    {Finding::PortAbsent, "port-absent"},
    {Finding::PortPresent, "port-present"},
    {Finding::PortAccessible, "port-accessible"},
    {Finding::NotInGroup, "not-in-group"},
    {Finding::GroupNotYetActive, "group-not-yet-active"},
    {Finding::NoPermission, "no-permission"},
    {Finding::NotHeld, "not-held"},
    {Finding::HeldByModemManager, "held-by-modem-manager"},
    {Finding::HeldByOther, "held-by-other"},
    {Finding::ModemManagerNotRunning, "modem-manager-not-running"},
    {Finding::ModemManagerRunning, "modem-manager-running"},
    {Finding::ModemManagerIgnoresAdapter, "modem-manager-ignores-adapter"},
    {Finding::ModemManagerMayProbe, "modem-manager-may-probe"},
    {Finding::BrlttyAbsent, "brltty-absent"},
    {Finding::BrlttyWithoutCh34xRule, "brltty-without-ch34x-rule"},
    {Finding::BrlttyRuleForCh34x, "brltty-rule-for-ch34x"},
    {Finding::BrlttyClaimsCh34x, "brltty-claims-ch34x"},
    {Finding::NotUsbAdapter, "not-usb-adapter"},
    {Finding::NoLatencyTimer, "no-latency-timer"},
    {Finding::LatencyLow, "latency-low"},
    {Finding::LatencyLowWhileHeld, "latency-low-while-held"},
    {Finding::LatencyHigh, "latency-high"},
    {Finding::LatencyHighRegistry, "latency-high-registry"},
    {Finding::AtAnswered, "at-answered"},
    {Finding::AtSilent, "at-silent"},
    {Finding::AtGarbled, "at-garbled"},
    {Finding::AtPortUnusable, "at-port-unusable"},
    {Finding::StoreAbsent, "store-absent"},
    {Finding::StoreUnreachable, "store-unreachable"},
    {Finding::StoreNotWritable, "store-not-writable"},
    {Finding::StoreReachable, "store-reachable"},
    {Finding::NumbersLeft, "numbers-left"},
    {Finding::NoFreeNumbers, "no-free-numbers"},
    {Finding::UnknownNumbers, "unknown-numbers"},
    {Finding::FolderAbsent, "folder-absent"},
    {Finding::ImagePresent, "image-present"},
    {Finding::ImageMissing, "image-missing"},
    {Finding::ImageEmpty, "image-empty"},
    {Finding::ImageUnreadable, "image-unreadable"},
};

QString holderNames(const std::vector<PortHolder>& holders) {
    QStringList names;
    for (const PortHolder& h : holders)
        names << QStringLiteral("%1 (PID %2)").arg(QString::fromStdString(h.program)).arg(h.pid);
    return names.join(QStringLiteral(", "));
}

QString pids(const std::vector<PortHolder>& holders) {
    QStringList list;
    for (const PortHolder& h : holders) list << QString::number(h.pid);
    return list.join(u' ');
}

bool isServer(const QString& location) { return location.startsWith(QStringLiteral("postgres")); }

const char kUsermod[] = "sudo usermod -aG %1 %2, затем выйдите из системы и войдите заново";
const char kMmIgnore[] = "sudo korvel-mm-ignore %1, затем переподключите адаптер";

QString portText(const CheckResult& r) {
    const QString& p = r.subject;
    switch (r.finding) {
    case Finding::NoPorts: return QStringLiteral("последовательных портов не найдено");
    case Finding::PortAbsent: return QStringLiteral("порт %1 не найден").arg(p);
    case Finding::PortPresent: return QStringLiteral("порт %1 есть в системе").arg(p);
    case Finding::PortAccessible: return QStringLiteral("порт %1: чтение и запись разрешены").arg(p);
    case Finding::NotInGroup:
        return QStringLiteral("порт %1: нет прав, пользователь %2 не входит в группу %3").arg(p, r.user, r.detail);
    case Finding::GroupNotYetActive:
        return QStringLiteral("порт %1: пользователь %2 добавлен в группу %3, но этот сеанс начат раньше")
            .arg(p, r.user, r.detail);
    case Finding::NoPermission:
        return QStringLiteral("порт %1: права устройства не дают пользователю %2 читать и писать").arg(p, r.user);
    case Finding::NotHeld: return QStringLiteral("порт %1 никем не занят").arg(p);
    case Finding::HeldByModemManager:
    case Finding::HeldByOther: return QStringLiteral("порт %1 занят: %2").arg(p, holderNames(r.holders));
    case Finding::ModemManagerNotRunning: return QStringLiteral("ModemManager не запущен");
    case Finding::ModemManagerRunning: return QStringLiteral("ModemManager работает (USB-адаптеров сейчас нет)");
    case Finding::ModemManagerIgnoresAdapter:
        return QStringLiteral("ModemManager работает, адаптер порта %1 помечен для него ID_MM_DEVICE_IGNORE").arg(p);
    case Finding::ModemManagerMayProbe:
        return QStringLiteral("ModemManager работает и может опрашивать порт %1 своими AT-командами").arg(p);
    case Finding::BrlttyAbsent: return QStringLiteral("brltty не установлен");
    case Finding::BrlttyWithoutCh34xRule:
        return QStringLiteral("brltty установлен, его правила udev не трогают адаптеры CH340/CH341");
    case Finding::BrlttyRuleForCh34x:
        return QStringLiteral("правило udev brltty (%1) захватывает адаптеры CH340/CH341 (1a86:7523): "
                              "их порт пропадает сразу после подключения").arg(r.detail);
    case Finding::BrlttyClaimsCh34x:
        return QStringLiteral("подключён адаптер CH340/CH341 (%1), а правило udev brltty (%2) забирает его себе")
            .arg(p, r.detail);
    default: return QString();
    }
}

QString adapterText(const CheckResult& r) {
    const QString& p = r.subject;
    switch (r.finding) {
    case Finding::NotUsbAdapter:
        return r.detail.isEmpty() ? QStringLiteral("порт %1: не USB-адаптер").arg(p)
                                  : QStringLiteral("порт %1: не USB-адаптер, драйвер %2").arg(p, r.detail);
    case Finding::NoLatencyTimer:
        return QStringLiteral("порт %1: драйвер %2, таймера задержки у него нет").arg(p, r.detail);
    case Finding::LatencyLow: return QStringLiteral("порт %1: таймер задержки адаптера %2 мс").arg(p).arg(r.value);
    case Finding::LatencyLowWhileHeld:
        return QStringLiteral("порт %1: таймер задержки адаптера %2 мс, но пока порт открыт программой, "
                              "драйвер даёт режим low latency (1 мс)").arg(p).arg(r.value);
    case Finding::LatencyHigh:
    case Finding::LatencyHighRegistry:
        return QStringLiteral("порт %1: таймер задержки адаптера %2 мс, каждый ответ устройства приходит на "
                              "столько же позже, образ 1 МиБ пишется вдвое дольше").arg(p).arg(r.value);
    case Finding::AtAnswered:
        return QStringLiteral("порт %1: устройство ответило на AT%2").arg(p, r.value ? QStringLiteral(" (с эхом)") : QString());
    case Finding::AtSilent: return QStringLiteral("порт %1: на AT нет ответа").arg(p);
    case Finding::AtGarbled: return QStringLiteral("порт %1: на AT пришло не OK: %2").arg(p, r.detail);
    case Finding::AtPortUnusable: {
        const QString why = r.openFailure == OpenFailure::Absent             ? QStringLiteral("его нет")
                            : r.openFailure == OpenFailure::Busy             ? QStringLiteral("занят")
                            : r.openFailure == OpenFailure::PermissionDenied ? QStringLiteral("нет прав")
                            : r.openFailure == OpenFailure::NotSerial        ? QStringLiteral("это не последовательный порт")
                                                                             : QStringLiteral("порт не открывается");
        const QString held = r.holders.empty() ? QString() : QStringLiteral(": ") + holderNames(r.holders);
        return QStringLiteral("порт %1 не открыт для AT: %2%3").arg(p, why, held);
    }
    default: return QString();
    }
}

QString storeText(const CheckResult& r) {
    const QString& s = r.subject;
    switch (r.finding) {
    case Finding::StoreAbsent: return QStringLiteral("базы станции %1 ещё нет").arg(s);
    case Finding::StoreUnreachable: return QStringLiteral("база станции %1 недоступна: %2").arg(s, r.detail);
    case Finding::StoreNotWritable: return QStringLiteral("в базу станции %1 нельзя записать: %2").arg(s, r.detail);
    case Finding::StoreReachable: return QStringLiteral("база станции %1 доступна, запись возможна").arg(s);
    case Finding::NumbersLeft: return QStringLiteral("свободных серийных номеров: %1").arg(r.value);
    case Finding::NoFreeNumbers: return QStringLiteral("свободных серийных номеров нет");
    case Finding::UnknownNumbers:
        return QStringLiteral("номеров unknown (могли попасть в устройства): %1").arg(r.value);
    case Finding::FolderAbsent: return QStringLiteral("папки ПО %1 нет").arg(s);
    case Finding::ImagePresent:
        return QStringLiteral("%1: %2 байт, SHA-256 %3").arg(s).arg(r.value).arg(r.sha256);
    case Finding::ImageMissing: return QStringLiteral("%1: нет в папке ПО").arg(s);
    case Finding::ImageEmpty: return QStringLiteral("%1: пустой файл").arg(s);
    case Finding::ImageUnreadable: return QStringLiteral("%1: не читается: %2").arg(s, r.detail);
    default: return QString();
    }
}

QString portMend(const CheckResult& r) {
    const QString& p = r.subject;
    switch (r.finding) {
    case Finding::NoPorts:
    case Finding::PortAbsent:
        return QStringLiteral("подключите адаптер и проверьте имя порта: korvel-cli ports");
    case Finding::NotInGroup: return QString::fromUtf8(kUsermod).arg(r.detail, r.user);
    case Finding::GroupNotYetActive:
        return QStringLiteral("выйдите из системы и войдите заново (в этом окне терминала: newgrp %1)").arg(r.detail);
    case Finding::NoPermission:
        return QStringLiteral("sudo chgrp dialout %1 && sudo chmod g+rw %1 (до переподключения); насовсем: "
                              "правило udev с GROUP=\"dialout\", MODE=\"0660\" в /etc/udev/rules.d").arg(r.detail);
    case Finding::HeldByModemManager:
    case Finding::ModemManagerMayProbe: return QString::fromUtf8(kMmIgnore).arg(p);
    case Finding::HeldByOther: return QStringLiteral("закройте эту программу: kill %1").arg(pids(r.holders));
    case Finding::BrlttyRuleForCh34x:
    case Finding::BrlttyClaimsCh34x:
        return QStringLiteral("sudo apt-get remove brltty (если брайлевский дисплей не нужен), затем "
                              "переподключите адаптер");
    default: return QString();
    }
}

QString deviceMend(const CheckResult& r) {
    const QString& p = r.subject;
    switch (r.finding) {
    case Finding::LatencyHigh:
        return QStringLiteral("echo 1 | sudo tee /sys/bus/usb-serial/devices/%1/latency_timer (до переподключения); "
                              "насовсем: правило udev ACTION==\"add\", SUBSYSTEM==\"usb-serial\", "
                              "DRIVER==\"ftdi_sio\", ATTR{latency_timer}=\"1\"").arg(p);
    case Finding::LatencyHighRegistry:
        return QStringLiteral("reg add \"HKLM\\%1\" /v LatencyTimer /t REG_DWORD /d 1 /f (от имени администратора), "
                              "затем переподключите адаптер; или: Диспетчер устройств → Порты (COM и LPT) → %2 → "
                              "Свойства → Параметры порта → Дополнительно → Время ожидания (мс): 1").arg(r.detail, p);
    case Finding::AtSilent:
        return QStringLiteral("проверьте кабель и питание коммуникатора и что это его порт: korvel-cli ports");
    case Finding::AtGarbled:
        return QStringLiteral("на порту другое устройство, или коммуникатор не в рабочем режиме: проверьте порт "
                              "(korvel-cli ports) и перезапустите коммуникатор по питанию");
    case Finding::AtPortUnusable:
        if (r.openFailure == OpenFailure::Busy && !r.holders.empty()) {
            for (const PortHolder& h : r.holders)
                if (isModemManager(h)) return QString::fromUtf8(kMmIgnore).arg(p);
            return QStringLiteral("закройте эту программу: kill %1").arg(pids(r.holders));
        }
        if (r.openFailure == OpenFailure::Busy) return QStringLiteral("закройте программу, открывшую порт");
        if (r.openFailure == OpenFailure::PermissionDenied) return QString::fromUtf8(kUsermod).arg("dialout", "$USER");
        return QStringLiteral("проверьте имя порта и подключение адаптера: korvel-cli ports");
    default: return QString();
    }
}

QString storeMend(const CheckResult& r) {
    const QString& s = r.subject;
    const QString store = s.contains(u' ') ? QLatin1Char('"') + s + QLatin1Char('"') : s;
    switch (r.finding) {
    case Finding::StoreAbsent:
    case Finding::NoFreeNumbers:
        return QStringLiteral("korvel-cli serials add ПЕРВЫЙ ПОСЛЕДНИЙ --store %1").arg(store);
    case Finding::StoreUnreachable:
    case Finding::StoreNotWritable:
        return isServer(s) ? QStringLiteral("проверьте адрес, сервер и права роли: psql \"%1\" -c 'SELECT 1'").arg(s)
                           : QStringLiteral("файл, его -wal и -shm и папка должны быть доступны пользователю %1 на "
                                            "запись: ls -l %2*").arg(r.user.isEmpty() ? QStringLiteral("станции") : r.user, store);
    case Finding::UnknownNumbers:
        return QStringLiteral("korvel-cli serials list --store %1; номер, которого точно нет ни в одном "
                              "устройстве: korvel-cli serials release НОМЕР --store %1").arg(store);
    case Finding::FolderAbsent:
        return QStringLiteral("укажите папку с dwl.dwl, firmware_*.dwl и KORVEL.dwl: --folder ПАПКА");
    case Finding::ImageMissing: return QStringLiteral("положите %1 в папку ПО").arg(s);
    case Finding::ImageEmpty: return QStringLiteral("замените %1 настоящим образом").arg(s);
    case Finding::ImageUnreadable:
        return QStringLiteral("файл занят другой программой или нет прав на чтение: закройте её, проверьте права");
    default: return QString();
    }
}

}  // namespace

QString levelText(Level level) {
    switch (level) {
    case Level::Ok: return QStringLiteral("ок");
    case Level::Warning: return QStringLiteral("внимание");
    case Level::Problem: return QStringLiteral("проблема");
    }
    return QString();
}

QString findingText(const CheckResult& r) {
    switch (r.check) {
    case Check::PortAccess:
    case Check::PortHolders:
    case Check::ModemManager:
    case Check::Brltty: return portText(r);
    case Check::Adapter:
    case Check::AtAnswer: return adapterText(r);
    case Check::Store:
    case Check::FirmwareFolder: return storeText(r);
    }
    return QString();
}

QString mendText(const CheckResult& r) {
    if (r.level == Level::Ok) return QString();
    switch (r.check) {
    case Check::PortAccess:
    case Check::PortHolders:
    case Check::ModemManager:
    case Check::Brltty: return portMend(r);
    case Check::Adapter:
    case Check::AtAnswer: return deviceMend(r);
    case Check::Store:
    case Check::FirmwareFolder: return storeMend(r);
    }
    return QString();
}

QString mendPrefix() { return QStringLiteral("исправить: "); }

const char* levelKey(Level level) {
    switch (level) {
    case Level::Ok: return "ok";
    case Level::Warning: return "warning";
    case Level::Problem: return "problem";
    }
    return "";
}

const char* checkKey(Check check) {
    switch (check) {
    case Check::PortAccess: return "port-access";
    case Check::PortHolders: return "port-holders";
    case Check::ModemManager: return "modem-manager";
    case Check::Brltty: return "brltty";
    case Check::Adapter: return "adapter";
    case Check::AtAnswer: return "at-answer";
    case Check::Store: return "store";
    case Check::FirmwareFolder: return "firmware-folder";
    }
    return "";
}

const char* findingKey(Finding finding) {
    for (const auto& [f, key] : kFindingKeys)
        if (f == finding) return key;
    return "";
}

}  // namespace korvel::cli
