#include <windows.h>

#include "station/process_alive.h"

namespace korvel::store {

bool processRunning(qint64 pid) {
    if (pid <= 0 || pid > qint64(MAXDWORD)) return false;
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    // Access denied: it runs, under another user.
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

}  // namespace korvel::store
