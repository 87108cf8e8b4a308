#include "book/calc_app.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "book_internal.h"
#include "support/atomic_file.h"
#include "support/numfmt.h"
#include "support/program_dir.h"

extern char** environ;

namespace book {
namespace {

using Clock = std::chrono::steady_clock;

bool Executable(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

bool Readable(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), R_OK) == 0;
}

std::string OnPath(const char* name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    for (std::size_t start = 0; start <= dirs.size();) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string dir = dirs.substr(start, end - start);
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (Executable(candidate))
            return candidate;
        start = end + 1;
    }
    return {};
}

// Fields on the channel: backslash, tab, CR and newline escaped.
std::string Escape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::vector<std::string> SplitReply(const std::string& line) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') {
            fields.emplace_back();
        } else if (c == '\\' && i + 1 < line.size()) {
            const char e = line[++i];
            fields.back() += e == 't' ? '\t' : e == 'n' ? '\n' : e == 'r' ? '\r' : e;
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

class CalcApp : public LiveApp {
  public:
    explicit CalcApp(CalcOptions options) : opt_(std::move(options)) {}
    ~CalcApp() override { Shutdown(); }
    CalcApp(const CalcApp&) = delete;
    CalcApp& operator=(const CalcApp&) = delete;

    int Start() override;
    int NewWorkbook() override;
    int Version() override;
    int SelectWorksheet(int index) override;
    int AppendWorksheet() override;
    int WriteCell(const std::string& ref, const std::string& text) override;
    int WriteRange(const std::string& ref, const double* values, int count) override;
    int Quit() override;
    void Discard() override { Shutdown(); }
    std::string ErrorText(int code) const override;

  private:
    int Fail(int code, std::string detail) {
        lastCode_ = code;
        lastDetail_ = std::move(detail);
        return code;
    }
    int Request(const std::string& line, std::vector<std::string>* reply = nullptr);
    int Lost(const char* what);
    int SheetReply(int rc, const std::vector<std::string>& reply);
    int Target(const std::string& ref, int count, int* row, int* col);
    void Shutdown();

    CalcOptions opt_;
    pid_t pid_ = -1;
    int fd_ = -1;
    std::string inbuf_;
    bool workbook_ = false;
    long maxCol_ = 0, maxRow_ = 0;
    int lastCode_ = 0;
    std::string lastDetail_;
};

int CalcApp::Start() {
    if (pid_ > 0)
        return 0;
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0)
        return Fail(kAppUnreachable, std::strerror(errno));
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, sv[1], 0);
    posix_spawn_file_actions_adddup2(&actions, sv[1], 1);
    posix_spawnattr_init(&attr);
    // Its own process group: a timeout ends the helper and the office it started.
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    std::string python = opt_.python, helper = opt_.helper;
    char* argv[] = {python.data(), helper.data(), nullptr};
    const int err = posix_spawn(&pid_, python.c_str(), &actions, &attr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(sv[1]);
    if (err != 0) {
        close(sv[0]);
        pid_ = -1;
        return Fail(kAppUnreachable, opt_.python + ": " + std::strerror(err));
    }
    fd_ = sv[0];
    const int rc = Request("start\t" + Escape(opt_.office) + "\t" + (opt_.visible ? "1" : "0") +
                           "\t" + std::to_string(opt_.timeoutMs * 3 / 4));
    if (rc < 0) {
        const std::string detail = lastDetail_;
        Shutdown();
        // However the start failed, no application could be started.
        return Fail(kAppUnreachable, detail);
    }
    return 0;
}

int CalcApp::NewWorkbook() {
    std::vector<std::string> reply;
    return SheetReply(Request("new", &reply), reply);
}

int CalcApp::Version() {
    std::vector<std::string> reply;
    const int rc = Request("version", &reply);
    long long major = 0;
    if (rc < 0)
        return rc;
    if (reply.size() < 2 || !support::ParseLongC(reply[1].c_str(), &major) || major < 1 ||
        major > 1000)
        return Fail(kAppRefused, "unreadable version");
    return static_cast<int>(major);
}

int CalcApp::SelectWorksheet(int index) {
    std::vector<std::string> reply;
    return SheetReply(Request("select\t" + std::to_string(index), &reply), reply);
}

int CalcApp::AppendWorksheet() {
    std::vector<std::string> reply;
    return SheetReply(Request("append", &reply), reply);
}

// A sheet became the one written: the reply carries its size.
int CalcApp::SheetReply(int rc, const std::vector<std::string>& reply) {
    if (rc < 0)
        return rc;
    long long cols = 0, rows = 0;
    if (reply.size() < 3 || !support::ParseLongC(reply[1].c_str(), &cols) ||
        !support::ParseLongC(reply[2].c_str(), &rows) || cols < 1 || rows < 1)
        return Fail(kAppRefused, "unreadable sheet size");
    workbook_ = true;
    maxCol_ = static_cast<long>(cols);
    maxRow_ = static_cast<long>(rows);
    return 0;
}

// Checked here against the sheet's real size, so a write beyond it fails
// with a clear code instead of an exception text of the office.
int CalcApp::Target(const std::string& ref, int count, int* row, int* col) {
    if (pid_ <= 0)
        return Fail(kAppNotStarted, "");
    if (!workbook_)
        return Fail(kAppNoWorkbook, "");
    if (!ParseColumnTarget(ref, count, row, col) || *col > maxCol_ ||
        static_cast<long>(*row) + count - 1 > maxRow_)
        return Fail(kAppBadReference, ref);
    return 0;
}

int CalcApp::WriteCell(const std::string& ref, const std::string& text) {
    int row = 0, col = 0;
    if (const int rc = Target(ref, 1, &row, &col); rc < 0)
        return rc;
    return Request("cell\t" + std::to_string(col - 1) + "\t" + std::to_string(row - 1) + "\t" +
                   Escape(text));
}

int CalcApp::WriteRange(const std::string& ref, const double* values, int count) {
    int row = 0, col = 0;
    if (!values && count > 0)
        return Fail(kAppBadReference, ref);
    if (const int rc = Target(ref, count, &row, &col); rc < 0)
        return rc;
    std::string line = "range\t" + std::to_string(col - 1) + "\t" + std::to_string(row - 1);
    line.reserve(line.size() + static_cast<std::size_t>(count) * 24);
    // A NaN or infinite value leaves its cell empty, as in the workbook files.
    for (int i = 0; i < count; ++i)
        line += "\t" + (std::isfinite(values[i]) ? support::FormatC("%.17g", values[i]) : "");
    return Request(line);
}

int CalcApp::Quit() {
    if (pid_ <= 0)
        return Fail(kAppNotStarted, "");
    if (!opt_.keepCopy.empty() && workbook_) {
        // The office writes a temporary beside the target; it replaces the
        // target only when whole.
        const std::string temp = support::TempNameFor(opt_.keepCopy);
        if (const int rc = Request("store\t" + Escape(temp)); rc < 0) {
            unlink(temp.c_str());
            return rc;
        }
        std::string error;
        if (support::CommitFileAtomic(temp, opt_.keepCopy, &error) != 0)
            return Fail(kAppRefused, error);
    }
    std::vector<std::string> reply;
    if (const int rc = Request("quit", &reply); rc < 0)
        return rc;
    Shutdown();
    return reply.size() > 1 && reply[1] == "kept" ? kAppKeptOpen : 0;
}

std::string CalcApp::ErrorText(int code) const {
    std::string text = AppErrorText(code);
    if (code == lastCode_ && !lastDetail_.empty())
        text += " (" + lastDetail_ + ")";
    return text;
}

int CalcApp::Request(const std::string& line, std::vector<std::string>* reply) {
    if (pid_ <= 0)
        return Fail(kAppNotStarted, "");
    const auto deadline = Clock::now() + std::chrono::milliseconds(opt_.timeoutMs);
    auto waitFor = [&](short events) {
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            if (left <= 0)
                return false;
            pollfd p{fd_, events, 0};
            const int n = poll(&p, 1, static_cast<int>(left));
            if (n > 0)
                return true;
            if (n < 0 && errno != EINTR)
                return false;
        }
    };
    const std::string out = line + "\n";
    for (std::size_t sent = 0; sent < out.size();) {
        if (!waitFor(POLLOUT))
            return Lost("did not take the request in time");
        const ssize_t n =
            send(fd_, out.data() + sent, out.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return Lost("closed the connection");
        if (n > 0)
            sent += static_cast<std::size_t>(n);
    }
    std::size_t nl;
    while ((nl = inbuf_.find('\n')) == std::string::npos) {
        if (!waitFor(POLLIN))
            return Lost("did not answer in time");
        char buf[4096];
        const ssize_t n = recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            return Lost("closed the connection");
        if (n > 0)
            inbuf_.append(buf, static_cast<std::size_t>(n));
    }
    std::vector<std::string> fields = SplitReply(inbuf_.substr(0, nl));
    inbuf_.erase(0, nl + 1);
    if (fields[0] == "ok") {
        if (reply)
            *reply = std::move(fields);
        return 0;
    }
    long long code = 0;
    if (fields[0] != "err" || fields.size() < 3 || !support::ParseLongC(fields[1].c_str(), &code))
        return Lost("sent an unreadable reply");
    if (code > -1 || code < kAppLost)
        code = kAppRefused;
    // The office is gone: the helper has nothing left to drive, so it goes too.
    if (code == kAppLost)
        Shutdown();
    return Fail(static_cast<int>(code), fields[2]);
}

int CalcApp::Lost(const char* what) {
    if (pid_ > 0)
        kill(-pid_, SIGKILL);
    Shutdown();
    return Fail(kAppLost, std::string("the helper ") + what);
}

// Closing the channel tells the helper to go; one that does not go in time is
// killed together with its process group.
void CalcApp::Shutdown() {
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
    inbuf_.clear();
    workbook_ = false;
    if (pid_ <= 0)
        return;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::min(opt_.timeoutMs, 30000));
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (Clock::now() >= deadline) {
            kill(-pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid_ = -1;
}

} // namespace

bool FindCalc(CalcOptions* options) {
    if (options->helper.empty())
        options->helper = support::ProgramDir() + "/orvalin_calc.py";
    if (options->office.empty())
        options->office = OnPath("soffice");
    return Executable(options->python) && Readable(options->helper) && Executable(options->office);
}

std::unique_ptr<LiveApp> MakeCalcApp(const CalcOptions& options) {
    return std::make_unique<CalcApp>(options);
}

std::unique_ptr<LiveApp> MakeLiveApp() {
    CalcOptions options;
    options.visible = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
    if (!FindCalc(&options))
        return MakeUnreachableApp();
    return MakeCalcApp(options);
}

} // namespace book
