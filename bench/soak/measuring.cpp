// Pumping messages for a while, and what Linux's /proc (read through Wine's
// Z: drive) tells of the Wine server and of the program.
#include "soak.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

void PumpFor(double seconds)
{
    double end = Seconds() + seconds;
    while (Seconds() < end) {
        PumpMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    PumpMessages();
}

namespace {

// Reads up to `size` - 1 bytes of a file into `buffer`, ending them with a
// zero; false when the file cannot be opened.
bool ReadStart(const char* path, char* buffer, size_t size)
{
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    size_t length = std::fread(buffer, 1, size - 1, file);
    std::fclose(file);
    buffer[length] = '\0';
    return true;
}

int UnixPidOf(const char* image)
{
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &entry);
    int found = 0;
    for (BOOL more = search != INVALID_HANDLE_VALUE; more && !found; more = FindNextFileA(search, &entry)) {
        if (entry.cFileName[0] < '1' || entry.cFileName[0] > '9')
            continue;
        char path[80], line[512];
        std::snprintf(path, sizeof(path), "Z:\\proc\\%s\\cmdline", entry.cFileName);
        if (ReadStart(path, line, sizeof(line)) && std::strstr(line, image))
            found = std::atoi(entry.cFileName);
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    return found;
}

BOOL CALLBACK CountChild(HWND, LPARAM extra)
{
    ++*reinterpret_cast<int*>(extra);
    return TRUE;
}
BOOL CALLBACK CountThreadWindow(HWND window, LPARAM extra)
{
    ++*reinterpret_cast<int*>(extra);
    EnumChildWindows(window, CountChild, extra);
    return TRUE;
}

}  // namespace

// scripts/soak passes the server's process id in WINESERVER_PID.
double ServerCpuSeconds()
{
    const char* pid = std::getenv("WINESERVER_PID");
    if (!pid || !*pid)
        return -1;
    char path[64], line[1024];
    std::snprintf(path, sizeof(path), "Z:\\proc\\%s\\stat", pid);
    if (!ReadStart(path, line, sizeof(line)))
        return -1;
    const char* fields = std::strrchr(line, ')');
    if (!fields)
        return -1;
    // After the name: state, then fields 4..; utime and stime are 14 and 15.
    unsigned long long utime = 0, stime = 0;
    int field = 2;
    for (const char* p = fields + 1; *p; ++p) {
        if (*p == ' ') {
            ++field;
            if (field == 14)
                utime = std::strtoull(p + 1, nullptr, 10);
            if (field == 15)
                stime = std::strtoull(p + 1, nullptr, 10);
        }
    }
    return static_cast<double>(utime + stime) / 100.0;  // USER_HZ
}

Usage UsageOf(const ProgramProcess& program)
{
    PumpFor(0.3);
    Usage usage;
    DWORD thread = GetWindowThreadProcessId(program.window(), nullptr);
    EnumThreadWindows(thread, CountThreadWindow, reinterpret_cast<LPARAM>(&usage.windows));
    int pid = UnixPidOf("Altavue.exe");
    if (!pid)
        return usage;
    char path[64], line[256];
    std::snprintf(path, sizeof(path), "Z:\\proc\\%d\\status", pid);
    if (FILE* file = std::fopen(path, "r")) {
        while (std::fgets(line, sizeof(line), file)) {
            std::sscanf(line, "RssAnon: %ld", &usage.privateKiB);
            std::sscanf(line, "VmRSS: %ld", &usage.residentKiB);
            std::sscanf(line, "Threads: %ld", &usage.threads);
        }
        std::fclose(file);
    }
    std::snprintf(path, sizeof(path), "Z:\\proc\\%d\\fd\\*", pid);
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(path, &entry);
    if (search != INVALID_HANDLE_VALUE) {
        usage.descriptors = 0;
        do
            usage.descriptors += entry.cFileName[0] != '.';
        while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    return usage;
}

void PrintUsage(const char* when, const Usage& usage)
{
    std::printf("  %-22s private %6ld KiB, resident %6ld KiB, threads %2ld, descriptors %3d, windows %2d\n",
                when, usage.privateKiB, usage.residentKiB, usage.threads, usage.descriptors,
                usage.windows);
    std::fflush(stdout);
}
