#include "link/log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>
#include <utility>

#include "link/fileio_path.h"
#include "support/read_file.h"

namespace {

constexpr const char* kLogName = "orvalin_session.log";
constexpr int kIndentStep = 5;
constexpr int kIndentMax = 100;

constexpr const char* kMonthNames[13] = {"",     "Jan.", "Feb.", "Mar.", "Apr.", "May", "Jun.",
                                         "Jul.", "Aug.", "Sep.", "Oct.", "Nov.", "Dec."};

struct LogState {
    std::FILE* file = nullptr;
    std::string path;
    int indent = 0;
    int lastDay = 0;
    int lastMonth = 0;
    int lastYear = 0;
    std::function<std::tm()> clock;
};

// Entries can come from a worker thread as well as from the callbacks; the
// lock is recursive because the folder-error popup runs the event loop, whose
// callbacks log too.
std::recursive_mutex gMutex;
LogState gLog;

std::tm SystemNow() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

std::tm Now() {
    return gLog.clock ? gLog.clock() : SystemNow();
}

void Flush() {
    std::fflush(gLog.file);
}

std::string IndentText() {
    return std::string(static_cast<std::size_t>(gLog.indent), ' ');
}

void BannerIfDue(const std::tm& now) {
    if (now.tm_mday == gLog.lastDay)
        return;
    const int month = now.tm_mon + 1;
    const char* name = (month >= 1 && month <= 12) ? kMonthNames[month] : "";
    std::fputs("\n/////////////////////////\n", gLog.file);
    std::fputs("//                     //\n", gLog.file);
    std::fprintf(gLog.file, "// Date: %02d %s %4d  //\n", now.tm_mday, name, now.tm_year + 1900);
    std::fputs("//                     //\n", gLog.file);
    std::fputs("/////////////////////////\n", gLog.file);
    gLog.lastDay = now.tm_mday;
    gLog.lastMonth = month;
    gLog.lastYear = now.tm_year + 1900;
}

// Only a regular file (or none yet) becomes the log: a named pipe in its place
// must not block start-up, and a device is no log either.
std::FILE* OpenRegular(const char* path) {
    const int fd = support::OpenRegularFile(path, O_WRONLY | O_CREAT, nullptr);
    if (fd < 0)
        return nullptr;
    if (::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* f = ::fdopen(fd, "w");
    if (!f)
        ::close(fd);
    return f;
}

std::FILE* OpenLog(std::string* path) {
    const std::string folder = fileio_AppDataFolder();
    if (!folder.empty() && fileio_CheckPath(folder) == 0) {
        *path = folder + kLogName;
        if (std::FILE* f = OpenRegular(path->c_str()))
            return f;
    }
    *path = kLogName;
    return OpenRegular(kLogName);
}

// Accepts a format with exactly one conversion of an unsigned long long
// (flags, width and precision allowed) and any number of "%%".
bool IsULLFormat(const char* format) {
    if (format == nullptr)
        return false;
    int conversions = 0;
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%')
            continue;
        ++p;
        if (*p == '%')
            continue;
        while (*p == '-' || *p == '+' || *p == ' ' || *p == '#' || *p == '0')
            ++p;
        while (*p >= '0' && *p <= '9')
            ++p;
        if (*p == '.') {
            ++p;
            while (*p >= '0' && *p <= '9')
                ++p;
        }
        if (p[0] != 'l' || p[1] != 'l')
            return false;
        p += 2;
        if (*p != 'u' && *p != 'x' && *p != 'X' && *p != 'o')
            return false;
        ++conversions;
    }
    return conversions == 1;
}

} // namespace

void fileio_Log_Start() {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    gLog.indent = 0;
    if (gLog.file != nullptr) {
        // A reconnection starts the log again while it is open: keep what was
        // written and mark the restart with a new banner at the next entry.
        gLog.lastDay = 0;
        return;
    }
    gLog.lastDay = gLog.lastMonth = gLog.lastYear = 0;
    gLog.file = OpenLog(&gLog.path);
    if (gLog.file == nullptr)
        return;
    std::fputs("ZOLT Orvalin log file. Search for \"**ERROR\" to find DLL calls that have caused "
               "errors\n",
               gLog.file);
    std::fputs(std::string(83, '-').append("\n").c_str(), gLog.file);
    Flush();
}

void fileio_Log_Call(const char* what) {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    if (gLog.file == nullptr)
        return;
    const std::tm now = Now();
    BannerIfDue(now);
    std::fprintf(gLog.file, "%s%02d:%02d:%02d --- %s", IndentText().c_str(), now.tm_hour,
                 now.tm_min, now.tm_sec, what != nullptr ? what : "");
    Flush();
}

void fileio_Log_Call_ArgInt(int v) {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    if (gLog.file == nullptr)
        return;
    std::fprintf(gLog.file, " Arg = %d", v);
    Flush();
}

void fileio_Log_Call_ArgStr(const char* s) {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    if (gLog.file == nullptr)
        return;
    std::fprintf(gLog.file, " Arg=\"%s\"", s != nullptr ? s : "");
    Flush();
}

void fileio_Log_Call_ArgFloat(float v) {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    if (gLog.file == nullptr)
        return;
    std::fprintf(gLog.file, " Arg = %.7f", static_cast<double>(v));
    Flush();
}

void fileio_Log_Call_ArgULL(uint64_t v, const char* format) {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    if (gLog.file == nullptr)
        return;
    const char* f = IsULLFormat(format) ? format : "%llu";
    std::fputs(" Arg = ", gLog.file);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::fprintf(gLog.file, f, static_cast<unsigned long long>(v));
#pragma GCC diagnostic pop
    Flush();
}

void fileio_Log_Result(int code) {
    fileio_Log_Answer(code, code != 0);
}

void fileio_Log_Answer(int code, bool failed) {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    if (gLog.file == nullptr)
        return;
    std::fprintf(gLog.file, ", returned code: %d %s\n", code, failed ? "**ERROR" : "");
    Flush();
}

void fileio_Log_SectionCall(const char* what) {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    if (gLog.file == nullptr)
        return;
    const std::tm now = Now();
    BannerIfDue(now);
    std::fprintf(gLog.file, "\n%s-----%02d:%02d:%02d --- %s-----\n", IndentText().c_str(),
                 now.tm_hour, now.tm_min, now.tm_sec, what != nullptr ? what : "");
    if (gLog.indent <= kIndentMax - kIndentStep)
        gLog.indent += kIndentStep;
    Flush();
}

void fileio_Log_SectionResult(int code) {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    if (gLog.file == nullptr)
        return;
    if (gLog.indent >= kIndentStep)
        gLog.indent -= kIndentStep;
    std::fprintf(gLog.file, "%s----- Returned code: %d-----\n\n", IndentText().c_str(), code);
    Flush();
}

void fileio_Log_SectionResultVoid() {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    if (gLog.file == nullptr)
        return;
    if (gLog.indent >= kIndentStep)
        gLog.indent -= kIndentStep;
    std::fprintf(gLog.file, "%s----- End of section -----\n\n", IndentText().c_str());
    Flush();
}

void fileio_Log_End() {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    if (gLog.file == nullptr)
        return;
    std::fclose(gLog.file);
    gLog.file = nullptr;
    gLog.indent = 0;
}

bool fileio_Log_IsOpen() {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    return gLog.file != nullptr;
}

std::string fileio_Log_Path() {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    return gLog.path;
}

int fileio_Log_Indent() {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    return gLog.indent;
}

void fileio_Log_SetClock(std::function<std::tm()> clock) {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    gLog.clock = std::move(clock);
}
