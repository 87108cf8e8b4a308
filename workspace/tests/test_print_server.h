// A print server of the test's own: cupsd on a socket in a scratch folder
// with one cups-pdf queue, so print tests meet a real queue and never the
// machine's printers.
#pragma once

#include <cups/cups.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace print_test {

namespace fs = std::filesystem;

inline constexpr const char* kQueue = "orvalin-test";

struct Job {
    int id;
    std::string name;
    ipp_jstate_t state;
};

class PrintServer {
  public:
    // "" once the queue takes jobs; else why it cannot (the test skips).
    std::string Start() {
        const char* ppd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
        for (const char* need : {"/usr/sbin/cupsd", "/usr/sbin/lpadmin", ppd})
            if (!fs::exists(need))
                return std::string(need) + " is missing (cups, printer-driver-cups-pdf)";
        if (geteuid() != 0)
            return "cups-pdf prints only for a print server started by root";
        char pattern[] = "/tmp/orvalin_cups_XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            return "no scratch folder";
        dir_ = pattern;
        const std::string socket = dir_ + "/cups.sock";
        fs::create_directory(dir_ + "/tmp");
        // The filters run as the server's user.
        chmod(dir_.c_str(), 0755);
        chmod((dir_ + "/tmp").c_str(), 01777);
        std::ofstream(dir_ + "/cupsd.conf")
            << "Listen " << socket << "\nBrowsing Off\n<Location />\nOrder allow,deny\nAllow all\n"
            << "</Location>\n<Policy default>\n<Limit All>\nOrder "
               "deny,allow\n</Limit>\n</Policy>\n";
        std::ofstream files(dir_ + "/cups-files.conf");
        files << "SystemGroup root\nTempDir " << dir_ << "/tmp\nRequestRoot " << dir_ << "/spool\n";
        for (const char* key : {"ServerRoot", "StateDir", "CacheDir"})
            files << key << ' ' << dir_ << '\n';
        for (const char* key : {"ErrorLog", "AccessLog", "PageLog", "Printcap"})
            files << key << ' ' << dir_ << '/' << key << '\n';
        files.close();
        const std::string conf = dir_ + "/cupsd.conf", filesConf = dir_ + "/cups-files.conf";
        const char* argv[] = {"cupsd", "-f", "-c", conf.c_str(), "-s", filesConf.c_str(), nullptr};
        if (posix_spawn(&pid_, "/usr/sbin/cupsd", nullptr, nullptr, const_cast<char**>(argv),
                        environ) != 0)
            return "cupsd does not start";
        started_ = fs::file_time_type::clock::now();
        setenv("CUPS_SERVER", socket.c_str(), 1); // for the commands
        cupsSetServer(socket.c_str());            // for this process, whatever it asked before
        for (int tries = 0;
             Admin(std::string("lpadmin -p ") + kQueue + " -v cups-pdf:/ -E -P " + ppd) != 0;
             ++tries) {
            if (tries == 150)
                return "the cups-pdf queue cannot be made";
            QTest::qWait(100);
        }
        return "";
    }

    ~PrintServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        cupsSetServer(nullptr);
        unsetenv("CUPS_SERVER");
        std::error_code ec;
        fs::remove_all(dir_, ec);
        // The pages cups-pdf wrote (into the printing user's PDF folder).
        const char* home = std::getenv("HOME");
        for (const auto& e : fs::directory_iterator(std::string(home ? home : "/") + "/PDF", ec))
            if (e.path().filename().string().starts_with("Orvalin_") &&
                e.last_write_time(ec) >= started_)
                fs::remove(e.path(), ec);
    }

    // A command line run against this server; its exit status.
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
    pid_t pid_ = -1;
    std::string dir_;
    fs::file_time_type started_;
};

} // namespace print_test
