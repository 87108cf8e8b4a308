// A print server of the test's own: cupsd on a socket in a scratch folder
// with one cups-pdf queue, so print tests meet a real queue and never the
// machine's printers.  The program reaches it through the print dialog as
// it reaches any other.
#pragma once

#include <cups/cups.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace print_test {

namespace fs = std::filesystem;

inline constexpr const char* kQueue = "orvalin-test";
inline constexpr const char* kPdfDriver = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";

struct Job {
    int id = 0;
    std::string name;
    ipp_jstate_t state = IPP_JSTATE_PENDING;
};

class PrintServer {
  public:
    // "" once the server runs with its queue; else why it cannot (the test
    // skips with that).
    std::string Start() {
        for (const char* need :
             {"/usr/sbin/cupsd", "/usr/sbin/lpadmin", "/usr/lib/cups/backend/cups-pdf", kPdfDriver})
            if (!fs::exists(need))
                return std::string(need) + " is not installed (cups, cups-client, " +
                       "printer-driver-cups-pdf)";
        if (geteuid() != 0)
            return "the cups-pdf backend prints only for a print server started by root";
        char pattern[] = "/tmp/orvalin_cups_XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            return "no scratch folder";
        dir_ = pattern;
        // The filters run as the server's user: they need the way in and a
        // temporary folder of their own.
        chmod(dir_.c_str(), 0755);
        for (const char* sub : {"spool", "tmp", "log", "state", "cache"})
            fs::create_directory(dir_ + "/" + sub);
        chmod((dir_ + "/tmp").c_str(), 01777);
        socket_ = dir_ + "/cups.sock";
        std::ofstream(dir_ + "/cupsd.conf")
            << "Listen " << socket_ << "\nBrowsing Off\nWebInterface No\nLogLevel warn\n"
            << "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
            << "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n";
        std::ofstream(dir_ + "/cups-files.conf")
            << "ServerRoot " << dir_ << "\nRequestRoot " << dir_ << "/spool\nTempDir " << dir_
            << "/tmp\nStateDir " << dir_ << "/state\nCacheDir " << dir_ << "/cache\nErrorLog "
            << dir_ << "/log/error_log\nAccessLog " << dir_ << "/log/access_log\nPageLog " << dir_
            << "/log/page_log\nPrintcap " << dir_ << "/printcap\nSystemGroup root\n";
        const std::string conf = dir_ + "/cupsd.conf", files = dir_ + "/cups-files.conf";
        const char* argv[] = {"cupsd", "-f", "-c", conf.c_str(), "-s", files.c_str(), nullptr};
        if (posix_spawn(&pid_, "/usr/sbin/cupsd", nullptr, nullptr, const_cast<char**>(argv),
                        environ) != 0) {
            pid_ = -1;
            return "cupsd does not start";
        }
        keep_ = PdfFiles();
        setenv("CUPS_SERVER", socket_.c_str(), 1); // for the commands below
        cupsSetServer(socket_.c_str());            // for this process, whatever it asked before
        QElapsedTimer since;
        since.start();
        while (!Answers()) {
            if (since.elapsed() > 15000)
                return "cupsd did not answer on " + socket_;
            QTest::qWait(50);
        }
        if (Admin(std::string("lpadmin -p ") + kQueue + " -v cups-pdf:/ -P " + kPdfDriver +
                  " -E") != 0)
            return "the cups-pdf queue cannot be made";
        return "";
    }

    ~PrintServer() {
        // The pages cups-pdf made for this server's jobs (its job numbers
        // start again at 1: files there before are someone else's).
        if (pid_ > 0)
            for (const fs::path& f : PdfFiles())
                if (std::find(keep_.begin(), keep_.end(), f) == keep_.end()) {
                    std::error_code ec;
                    fs::remove(f, ec);
                }
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        cupsSetServer(nullptr);
        unsetenv("CUPS_SERVER");
        if (!dir_.empty()) {
            std::error_code ec;
            fs::remove_all(dir_, ec);
        }
    }

    // A CUPS command line run against this server; its exit status.
    static int Admin(const std::string& command) {
        return std::system((command + " >/dev/null 2>&1").c_str());
    }

    // Every job the queue has had, oldest first.
    static std::vector<Job> Jobs() {
        cups_job_t* jobs = nullptr;
        const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, kQueue, 0, CUPS_WHICHJOBS_ALL);
        std::vector<Job> out;
        for (int i = 0; i < n; ++i)
            out.push_back({jobs[i].id, jobs[i].title ? jobs[i].title : "", jobs[i].state});
        cupsFreeJobs(n, jobs);
        std::sort(out.begin(), out.end(), [](const Job& a, const Job& b) { return a.id < b.id; });
        return out;
    }

  private:
    bool Answers() const {
        http_t* http = httpConnect2(socket_.c_str(), 0, nullptr, AF_LOCAL, HTTP_ENCRYPTION_NEVER, 1,
                                    200, nullptr);
        if (http)
            httpClose(http);
        return http != nullptr;
    }

    // cups-pdf's files, in its shipped set-up (the printing user's PDF folder).
    static std::vector<fs::path> PdfFiles() {
        std::vector<fs::path> out;
        const passwd* pw = getpwuid(geteuid());
        std::error_code ec;
        if (pw)
            for (const auto& e : fs::directory_iterator(fs::path(pw->pw_dir) / "PDF", ec))
                if (e.path().filename().string().find("job_") != std::string::npos)
                    out.push_back(e.path());
        return out;
    }

    pid_t pid_ = -1;
    std::string dir_, socket_;
    std::vector<fs::path> keep_;
};

} // namespace print_test
