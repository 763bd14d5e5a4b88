#include "cli/doctor_posix.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include "device_link/serial/port_holders.h"
#include "device_link/port_list_posix.h"
#include "device_link/serial/posix_serial_port.h"

namespace korvel::cli {

namespace {

QString firstLine(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(file.readLine(256)).trimmed();
}

QString under(const PosixSystem& s, const char* path) { return s.root + QLatin1String(path); }

// A port as korvel-cli names it: its device node, and the tty's name in sysfs.
struct PortNode {
    QString name, device, tty;
};

PortNode nodeOf(const QString& port, const PosixSystem& s) {
    PortNode n{port, port.startsWith(u'/') ? s.root + port : under(s, "/dev/") + port, QString()};
    // A stable name (/dev/serial/by-id/…) leads to the tty's own node.
    const QString target = QFileInfo(n.device).canonicalFilePath();
    const QString dev = QFileInfo(under(s, "/dev")).canonicalFilePath() + u'/';
    n.tty = QFileInfo(target.startsWith(dev) ? target : n.device).fileName();
    return n;
}

struct Group {
    QString name;
    QStringList members;
};

// The group database as /etc/group keeps it (the serial ports' groups are
// always local ones).
QHash<unsigned, Group> readGroups(const PosixSystem& s) {
    QHash<unsigned, Group> groups;
    QFile file(under(s, "/etc/group"));
    if (!file.open(QIODevice::ReadOnly)) return groups;
    while (!file.atEnd()) {
        const QStringList f = QString::fromUtf8(file.readLine()).trimmed().split(u':');
        if (f.size() < 4) continue;
        groups.insert(f[2].toUInt(), {f[0], f[3].split(u',', Qt::SkipEmptyParts)});
    }
    return groups;
}

CheckResult accessCheck(const PortNode& n, const PosixSystem& s) {
    struct stat st {};
    if (stat(QFile::encodeName(n.device).constData(), &st) != 0)
        return result(Check::PortAccess, Level::Problem, Finding::PortAbsent, n.name);
    CheckResult r = result(Check::PortAccess, Level::Ok, Finding::PortAccessible, n.name);
    r.user = s.user.name;
    const auto& groups = s.user.sessionGroups;
    const bool inGroup = std::find(groups.begin(), groups.end(), unsigned(st.st_gid)) != groups.end();
    const mode_t m = st.st_mode;
    if (s.user.uid == 0 || (st.st_uid == s.user.uid && (m & S_IRUSR) && (m & S_IWUSR)) ||
        (inGroup && (m & S_IRGRP) && (m & S_IWGRP)) || ((m & S_IROTH) && (m & S_IWOTH)))
        return r;
    r.level = Level::Problem;
    if (!(m & S_IRGRP) || !(m & S_IWGRP) || inGroup) {
        r.finding = Finding::NoPermission;
        r.detail = n.device.mid(s.root.size());
        return r;
    }
    const Group group = readGroups(s).value(unsigned(st.st_gid));
    r.detail = group.name.isEmpty() ? QString::number(st.st_gid) : group.name;
    r.finding = group.members.contains(s.user.name) ? Finding::GroupNotYetActive : Finding::NotInGroup;
    return r;
}

CheckResult holdersCheck(const PortNode& n, const PosixSystem& s) {
    CheckResult r = result(Check::PortHolders, Level::Ok, Finding::NotHeld, n.name);
    r.holders = findPortHolders(QFile::encodeName(n.device).toStdString(), QFile::encodeName(under(s, "/proc")).toStdString());
    if (r.holders.empty()) return r;
    r.level = Level::Problem;
    r.finding = Finding::HeldByOther;
    for (const PortHolder& h : r.holders)
        if (isModemManager(h)) r.finding = Finding::HeldByModemManager;
    return r;
}

CheckResult adapterCheck(const PortNode& n, bool mayOpen, const PosixSystem& s) {
    const QString device = under(s, "/sys/class/tty/") + n.tty + QStringLiteral("/device");
    CheckResult r = result(Check::Adapter, Level::Ok, Finding::NotUsbAdapter, n.name);
    r.detail = QFileInfo(QFileInfo(device + QStringLiteral("/driver")).symLinkTarget()).fileName();
    if (usbDeviceOfTty(under(s, "/sys"), n.tty).isEmpty()) return r;
    r.finding = Finding::NoLatencyTimer;
    const QString latencyFile = device + QStringLiteral("/latency_timer");
    bool read = false;
    r.value = firstLine(latencyFile).toLongLong(&read);
    if (r.detail != QLatin1String("ftdi_sio") || !read) return r;
    r.finding = Finding::LatencyLow;
    if (r.value <= 1) return r;
    // The program asks the driver for low latency while it holds the port;
    // ftdi_sio then shows a timer of 1 ms.
    const std::optional<qint64> held =
        mayOpen && s.latencyWhileHeld ? s.latencyWhileHeld(n.device, latencyFile) : std::nullopt;
    r.finding = held && *held <= 1 ? Finding::LatencyLowWhileHeld : Finding::LatencyHigh;
    r.level = r.finding == Finding::LatencyHigh ? Level::Warning : Level::Ok;
    return r;
}

bool modemManagerRuns(const PosixSystem& s) {
    const QDir proc(under(s, "/proc"));
    static const QRegularExpression pid(QStringLiteral("^[0-9]+$"));
    for (const QString& entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (pid.match(entry).hasMatch() && firstLine(proc.filePath(entry) + QStringLiteral("/comm")) == "ModemManager")
            return true;
    return false;
}

// What udev noted for the tty (its database entry by device number).
bool udevIgnoredByModemManager(const QString& tty, const PosixSystem& s) {
    const QString number = firstLine(under(s, "/sys/class/tty/") + tty + QStringLiteral("/dev"));
    QFile data(under(s, "/run/udev/data/c") + number);
    if (number.isEmpty() || !data.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& line : data.readAll().split('\n'))
        if (line.trimmed() == "E:ID_MM_DEVICE_IGNORE=1") return true;
    return false;
}

// brltty's rules by file name: one in /etc/udev/rules.d stands in for the
// packaged one of the same name, as udev reads them.
QHash<QString, QString> brlttyRules(const PosixSystem& s) {
    QHash<QString, QString> rules;
    for (const char* dir : {"/lib/udev/rules.d", "/usr/lib/udev/rules.d", "/etc/udev/rules.d"})
        for (const QFileInfo& f : QDir(under(s, dir)).entryInfoList({QStringLiteral("*brltty*.rules")}, QDir::Files))
            rules.insert(f.fileName(), f.absoluteFilePath());
    return rules;
}

bool ruleTakesCh34x(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QByteArray line = raw.trimmed().toLower();
        if (!line.startsWith('#') && line.contains("1a86") && line.contains("7523")) return true;
    }
    return false;
}

// A CH340/CH341 adapter on the USB bus, with or without a tty of its own.
QString pluggedCh34x(const PosixSystem& s) {
    const QDir usb(under(s, "/sys/bus/usb/devices"));
    for (const QString& d : usb.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System))
        if (firstLine(usb.filePath(d) + QStringLiteral("/idVendor")) == "1a86" &&
            firstLine(usb.filePath(d) + QStringLiteral("/idProduct")) == "7523")
            return d;
    return QString();
}

}  // namespace

std::vector<CheckResult> modemManagerChecks(const QStringList& ttys, const PosixSystem& s) {
    if (!modemManagerRuns(s)) return {result(Check::ModemManager, Level::Ok, Finding::ModemManagerNotRunning)};
    std::vector<CheckResult> out;
    for (const QString& port : ttys) {
        const PortNode n = nodeOf(port, s);
        if (usbDeviceOfTty(under(s, "/sys"), n.tty).isEmpty()) continue;
        const bool ignored = udevIgnoredByModemManager(n.tty, s);
        out.push_back(result(Check::ModemManager, ignored ? Level::Ok : Level::Warning,
                             ignored ? Finding::ModemManagerIgnoresAdapter : Finding::ModemManagerMayProbe, port));
    }
    if (out.empty()) out.push_back(result(Check::ModemManager, Level::Ok, Finding::ModemManagerRunning));
    return out;
}

CheckResult brlttyCheck(const PosixSystem& s) {
    const QHash<QString, QString> rules = brlttyRules(s);
    const bool installed = QFileInfo::exists(under(s, "/usr/bin/brltty")) || QFileInfo::exists(under(s, "/bin/brltty"));
    if (!installed && rules.isEmpty()) return result(Check::Brltty, Level::Ok, Finding::BrlttyAbsent);
    for (const QString& file : rules) {
        if (!ruleTakesCh34x(file)) continue;
        const QString adapter = pluggedCh34x(s);
        CheckResult r = adapter.isEmpty() ? result(Check::Brltty, Level::Warning, Finding::BrlttyRuleForCh34x)
                                          : result(Check::Brltty, Level::Problem, Finding::BrlttyClaimsCh34x, adapter);
        r.detail = file.mid(s.root.size());
        return r;
    }
    return result(Check::Brltty, Level::Ok, Finding::BrlttyWithoutCh34xRule);
}

std::vector<CheckResult> posixPortChecks(const QStringList& ports, bool named, const PosixSystem& s) {
    QStringList list = ports;
    if (list.isEmpty()) {
        list = serialPortNames(under(s, "/sys"), under(s, "/dev"));
        list.sort();
    }
    std::vector<CheckResult> out;
    if (list.isEmpty()) out.push_back(result(Check::PortAccess, Level::Warning, Finding::NoPorts));
    for (const QString& port : list) {
        const PortNode n = nodeOf(port, s);
        const CheckResult access = accessCheck(n, s);
        out.push_back(access);
        if (access.finding == Finding::PortAbsent) continue;
        const CheckResult holders = holdersCheck(n, s);
        out.push_back(holders);
        out.push_back(adapterCheck(n, named && access.level == Level::Ok && holders.holders.empty(), s));
    }
    for (const CheckResult& r : modemManagerChecks(list, s)) out.push_back(r);
    out.push_back(brlttyCheck(s));
    return out;
}

namespace {

PosixUser currentUser() {
    PosixUser u;
    u.uid = getuid();
    if (const passwd* pw = getpwuid(u.uid)) u.name = QString::fromLocal8Bit(pw->pw_name);
    const int count = getgroups(0, nullptr);
    std::vector<gid_t> groups(count > 0 ? std::size_t(count) : 0);
    if (count > 0 && getgroups(count, groups.data()) == count)
        for (gid_t g : groups) u.sessionGroups.push_back(g);
    u.sessionGroups.push_back(getegid());
    return u;
}

std::optional<qint64> latencyWhileHeld(const QString& devicePath, const QString& latencyFile) {
    PosixSerialPort port;
    if (!port.open(QFile::encodeName(devicePath).toStdString())) return std::nullopt;
    bool read = false;
    const qint64 value = firstLine(latencyFile).toLongLong(&read);
    port.close();
    return read ? std::optional<qint64>(value) : std::nullopt;
}

}  // namespace

std::vector<CheckResult> systemPortChecks(const QStringList& ports, bool named) {
    PosixSystem s;
    s.user = currentUser();
    s.latencyWhileHeld = latencyWhileHeld;
    return posixPortChecks(ports, named, s);
}

}  // namespace korvel::cli
