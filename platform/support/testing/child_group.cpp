#include "support_testing/child_group.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace support_testing {
namespace {

struct Proc {
    int pid = 0, ppid = 0, pgrp = 0;
    char state = 0;
    std::string cmdline;
};

std::vector<Proc> Processes() {
    std::vector<Proc> out;
    DIR* d = opendir("/proc");
    if (!d)
        return out;
    while (dirent* e = readdir(d)) {
        const int pid = std::atoi(e->d_name);
        if (pid <= 0)
            continue;
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        if (!std::getline(stat, line))
            continue;
        // The name in parentheses may hold spaces: the fields follow its last ')'.
        const auto close = line.rfind(')');
        if (close == std::string::npos || close + 2 >= line.size())
            continue;
        Proc p;
        p.pid = pid;
        char state = 0;
        if (std::sscanf(line.c_str() + close + 2, "%c %d %d", &state, &p.ppid, &p.pgrp) != 3)
            continue;
        p.state = state;
        std::ifstream cmd("/proc/" + std::to_string(pid) + "/cmdline");
        p.cmdline.assign(std::istreambuf_iterator<char>(cmd), {});
        out.push_back(std::move(p));
    }
    closedir(d);
    return out;
}

std::vector<int> Children(const std::vector<Proc>& all, const char* needle) {
    std::vector<int> found;
    for (const Proc& p : all)
        if (p.ppid == getpid() && p.state != 'Z' && p.cmdline.find(needle) != std::string::npos)
            found.push_back(p.pid);
    return found;
}

} // namespace

int KillChildGroupMembers(const char* needle) {
    const std::vector<Proc> all = Processes();
    const std::vector<int> leaders = Children(all, needle);
    std::vector<int> killed;
    for (const Proc& p : all)
        for (int leader : leaders)
            if (p.pgrp == leader && p.pid != leader && p.state != 'Z' && kill(p.pid, SIGKILL) == 0)
                killed.push_back(p.pid);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (bool left = true; left && std::chrono::steady_clock::now() < deadline;) {
        left = false;
        for (const Proc& p : Processes())
            for (int pid : killed)
                left = left || (p.pid == pid && p.state != 'Z');
        if (left)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return static_cast<int>(killed.size());
}

bool ChildRuns(const char* needle) {
    return !Children(Processes(), needle).empty();
}

} // namespace support_testing
