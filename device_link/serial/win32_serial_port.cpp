#include "device_link/serial/win32_serial_port.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <string>

#include "device_link/serial/read_deadline.h"

namespace korvel {

namespace {

using std::chrono::nanoseconds;

HANDLE h(void* handle) { return static_cast<HANDLE>(handle); }

DWORD clampToDword(std::size_t n) { return static_cast<DWORD>(std::min<std::size_t>(n, MAXDWORD)); }

// The system's text of an error code in the user's language, as UTF-8,
// without the line end it comes with; empty when the system has none.
std::string systemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message;
    if (length > 0 && text) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                             nullptr, nullptr);
        if (size > 0) {
            message.resize(static_cast<std::size_t>(size));
            WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &message[0], size,
                                nullptr, nullptr);
        }
    }
    if (text) LocalFree(text);
    while (!message.empty() &&
           (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message;
}

Timeouts fromNative(const COMMTIMEOUTS& c) {
    Timeouts t;
    t.readInterval = c.ReadIntervalTimeout;
    t.readMultiplier = c.ReadTotalTimeoutMultiplier;
    t.readConstant = c.ReadTotalTimeoutConstant;
    t.writeMultiplier = c.WriteTotalTimeoutMultiplier;
    t.writeConstant = c.WriteTotalTimeoutConstant;
    return t;
}

// Time-outs for one piece of a read: ReadFile returns at once with what is
// there (wait 0), or shortly after bytes stop coming, or empty after
// `waitMs`.  A 1 ms interval rather than the "return on the first byte" form
// (interval and multiplier MAXDWORD): the read loop goes on after a piece
// anyway, and Wine's serial driver treats that form as a plain total time-out,
// which would stretch every reply to the whole wait.
COMMTIMEOUTS pieceWithin(const COMMTIMEOUTS& base, DWORD waitMs) {
    COMMTIMEOUTS c = base;
    c.ReadIntervalTimeout = waitMs == 0 ? MAXDWORD : 1;
    c.ReadTotalTimeoutMultiplier = 0;
    c.ReadTotalTimeoutConstant = std::min<DWORD>(waitMs, MAXDWORD - 1);
    return c;
}

}  // namespace

Win32SerialPort::~Win32SerialPort() { close(); }

bool Win32SerialPort::isOpen() const { return handle_ != nullptr; }

bool Win32SerialPort::open(const std::string& devicePath) {
    failure_ = OpenFailure::Other;
    failureMessage_.clear();
    if (handle_ || devicePath.empty()) return false;
    HANDLE handle = CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        failureMessage_ = systemMessage(error);
        switch (error) {
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
                failure_ = OpenFailure::Absent;
                break;
            // A COM port another program holds answers "access denied".
            case ERROR_ACCESS_DENIED:
            case ERROR_SHARING_VIOLATION:
                failure_ = OpenFailure::Busy;
                break;
            default:
                break;
        }
        return false;
    }
    if (GetFileType(handle) != FILE_TYPE_CHAR) {
        CloseHandle(handle);
        failure_ = OpenFailure::NotSerial;
        return false;
    }
    handle_ = handle;
    failure_ = OpenFailure::None;
    return true;
}

bool Win32SerialPort::readSettings(LineSettings& settings) {
    if (!handle_) return false;
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(h(handle_), &dcb)) return false;
    settings = LineSettings{};
    settings.native.resize(sizeof dcb);
    std::memcpy(settings.native.data(), &dcb, sizeof dcb);
    settings.baudRate = dcb.BaudRate;
    settings.byteSize = dcb.ByteSize;
    settings.parity = dcb.Parity;
    settings.stopBits = dcb.StopBits;
    settings.outxCtsFlow = dcb.fOutxCtsFlow != 0;
    settings.outxDsrFlow = dcb.fOutxDsrFlow != 0;
    settings.dtrControl = static_cast<std::uint8_t>(dcb.fDtrControl);
    settings.dsrSensitivity = dcb.fDsrSensitivity != 0;
    settings.rtsControl = static_cast<std::uint8_t>(dcb.fRtsControl);
    return true;
}

bool Win32SerialPort::applySettings(const LineSettings& settings) {
    if (!handle_) return false;
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    if (settings.native.size() == sizeof dcb) {
        std::memcpy(&dcb, settings.native.data(), sizeof dcb);
    } else {
        dcb.DCBlength = sizeof dcb;
        if (!GetCommState(h(handle_), &dcb)) return false;
    }
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = settings.baudRate;
    dcb.ByteSize = settings.byteSize;
    dcb.Parity = settings.parity;
    dcb.StopBits = settings.stopBits;
    dcb.fOutxCtsFlow = settings.outxCtsFlow ? 1 : 0;
    dcb.fOutxDsrFlow = settings.outxDsrFlow ? 1 : 0;
    dcb.fDtrControl = settings.dtrControl & 3u;
    dcb.fDsrSensitivity = settings.dsrSensitivity ? 1 : 0;
    dcb.fRtsControl = settings.rtsControl & 3u;
    return SetCommState(h(handle_), &dcb) != 0;
}

bool Win32SerialPort::setTimeouts(const Timeouts& t) {
    if (!handle_) return false;
    COMMTIMEOUTS c;
    c.ReadIntervalTimeout = t.readInterval;
    c.ReadTotalTimeoutMultiplier = t.readMultiplier;
    c.ReadTotalTimeoutConstant = t.readConstant;
    c.WriteTotalTimeoutMultiplier = t.writeMultiplier;
    c.WriteTotalTimeoutConstant = t.writeConstant;
    return SetCommTimeouts(h(handle_), &c) != 0;
}

bool Win32SerialPort::setQueues(std::uint32_t inputSize, std::uint32_t outputSize) {
    return handle_ && SetupComm(h(handle_), inputSize, outputSize) != 0;
}

bool Win32SerialPort::setDtr(bool up) {
    return handle_ && EscapeCommFunction(h(handle_), up ? SETDTR : CLRDTR) != 0;
}

bool Win32SerialPort::purge() {
    return handle_ && PurgeComm(h(handle_), PURGE_TXCLEAR | PURGE_RXCLEAR) != 0;
}

std::size_t Win32SerialPort::write(const char* data, std::size_t size) {
    if (!handle_ || size == 0) return 0;
    // A connection that never set its time-outs (its settings were refused)
    // or set no write bound would let WriteFile wait for ever on a device
    // holding CTS low: such a write gets kWriteBoundMs.
    COMMTIMEOUTS current;
    const bool known = GetCommTimeouts(h(handle_), &current) != 0;
    const bool unbounded = !known || (current.WriteTotalTimeoutMultiplier == 0 &&
                                      current.WriteTotalTimeoutConstant == 0);
    if (unbounded) {
        COMMTIMEOUTS bounded = known ? current : COMMTIMEOUTS{};
        bounded.WriteTotalTimeoutMultiplier = 0;
        bounded.WriteTotalTimeoutConstant = kWriteBoundMs;
        if (!SetCommTimeouts(h(handle_), &bounded)) return 0;
    }
    DWORD written = 0;
    if (!WriteFile(h(handle_), data, clampToDword(size), &written, nullptr)) {
        // A write cut short still reports what went out.
    }
    if (unbounded && known) SetCommTimeouts(h(handle_), &current);
    return written;
}

std::size_t Win32SerialPort::read(char* buffer, std::size_t size) {
    if (!handle_ || size == 0) return 0;
    COMMTIMEOUTS current;
    const bool known = GetCommTimeouts(h(handle_), &current) != 0;
    if (!known || (!readNeedsFirstByteBound(fromNative(current)) && !waitHook_)) {
        DWORD got = 0;
        if (!ReadFile(h(handle_), buffer, clampToDword(size), &got, nullptr)) {
            // Bytes that came before a failure are still the read's result.
        }
        return got;
    }

    // Read piecewise, each piece returning as soon as bytes are there, with
    // the waits the shared rules allow (cut into slices when a wait hook is
    // set); then put the connection's own time-outs back.
    using Steady = std::chrono::steady_clock;
    const Steady::time_point start = Steady::now();
    Steady::time_point lastByte = start;
    const auto slice = std::chrono::milliseconds(kWaitSliceMs);
    const Timeouts rules = fromNative(current);
    ReadProgress progress;
    progress.requested = size;
    for (;;) {
        const Steady::time_point now = Steady::now();
        progress.sinceStart = now - start;
        progress.sinceLastByte = now - lastByte;
        if (waitHook_ && now - lastServed_ >= slice) {
            waitHook_();
            lastServed_ = Steady::now();
            continue;  // the rules are asked again after the hook's time
        }
        const std::optional<nanoseconds> wait = nextReadWait(rules, progress);
        if (!wait) break;
        long long waitMs = std::chrono::ceil<std::chrono::milliseconds>(*wait).count();
        const bool sliced = waitHook_ && waitMs > static_cast<long long>(kWaitSliceMs);
        if (sliced) waitMs = kWaitSliceMs;
        COMMTIMEOUTS piece =
            pieceWithin(current, static_cast<DWORD>(std::min<long long>(waitMs, MAXDWORD - 1)));
        if (!SetCommTimeouts(h(handle_), &piece)) break;
        DWORD got = 0;
        const BOOL ok = ReadFile(h(handle_), buffer + progress.received,
                                 clampToDword(size - progress.received), &got, nullptr);
        if (got > 0) {
            progress.received += got;
            lastByte = Steady::now();
        }
        if (!ok) break;
        if (got == 0 && !sliced) break;
    }
    SetCommTimeouts(h(handle_), &current);
    return progress.received;
}

void Win32SerialPort::close() {
    if (!handle_) return;
    CloseHandle(h(handle_));
    handle_ = nullptr;
}

std::unique_ptr<SerialPortFactory> makeSystemSerialPortFactory() {
    class Factory : public SerialPortFactory {
    public:
        std::unique_ptr<SerialPort> create() override {
            return std::make_unique<Win32SerialPort>();
        }
    };
    return std::make_unique<Factory>();
}

}  // namespace korvel
