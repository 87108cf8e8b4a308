#include "support/atomic_file.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace support {
namespace {

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// Best effort: makes the rename itself durable. Some file systems refuse
// fsync on a folder; that is not an error of the write.
void SyncFolder(const std::string& path) {
    const int dfd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

std::string Describe(const char* what, const std::string& file, const char* why) {
    std::string msg = what;
    msg += " \"";
    msg += file;
    msg += "\": ";
    msg += why;
    return msg;
}

std::string Describe(const char* what, const std::string& file, int err) {
    return Describe(what, file, std::strerror(err));
}

void SetError(std::string* out, std::string msg) {
    if (out)
        *out = std::move(msg);
}

// The file a target names: a symbolic link is followed (also one to a file
// not yet there), so the link stays and the file it names is written.
// Returns 0 or an errno value.
int Resolve(const std::string& target, std::string* out) {
    std::string path = target;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            *out = path;
            return 0;
        }
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf);
        if (n <= 0 || n >= static_cast<ssize_t>(sizeof buf))
            return n < 0 ? errno : n == 0 ? ENOENT : ENAMETOOLONG;
        const std::string link(buf, static_cast<std::size_t>(n));
        path = link.front() == '/' ? link : FolderOf(path) + "/" + link;
    }
    return ELOOP;
}

// 0 when the user may replace the file, else the errno a plain write would
// meet. Root passes every permission check, so for root a file whose owner
// took the write bit away counts as not writable: it was made read-only.
int WriteAccess(const std::string& path, const struct stat& st) {
    if (::geteuid() == 0)
        return (st.st_mode & S_IWUSR) != 0 ? 0 : EACCES;
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
}

// This computer's name as a temporary's name carries it: a folder shared
// over the network holds the temporaries of other computers too.
const std::string& HostName() {
    static const std::string host = [] {
        char name[256] = {};
        if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
            return std::string("localhost");
        std::string h(name, strnlen(name, 32)); // the file's own name keeps its room
        for (char& c : h)
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '.')
                c = '_';
        return h;
    }();
    return host;
}

std::string TempBeside(const std::string& file) {
    static std::atomic<unsigned> counter{0};
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp%ld.%u@", static_cast<long>(::getpid()),
                  counter.fetch_add(1));
    return file + suffix + HostName();
}

// A temporary of `file`: "<file>.tmp<pid>.<n>@<host>" (an older program
// left "<file>.tmp<pid>.<n>", with no host).
struct TempName {
    long pid = 0;
    std::string host;
};

bool ParseTemp(const char* name, const std::string& file, TempName* out) {
    const std::string prefix = file + ".tmp";
    if (std::strncmp(name, prefix.c_str(), prefix.size()) != 0)
        return false;
    const char* p = name + prefix.size();
    if (*p < '0' || *p > '9')
        return false;
    char* end = nullptr;
    out->pid = std::strtol(p, &end, 10);
    if (*end != '.' || out->pid <= 0)
        return false;
    const char* n = end + 1;
    const std::size_t digits = std::strspn(n, "0123456789");
    if (digits == 0 || (n[digits] != '\0' && n[digits] != '@'))
        return false;
    out->host = n[digits] == '@' ? n + digits + 1 : "";
    return true;
}

// A save rewrites its temporary as it goes; one untouched this long was left
// by a save that ended without finishing it, on whichever computer.
constexpr time_t kSurelyDeadSeconds = 24 * 60 * 60;

// Removes the temporaries of this file left by saves that will never finish
// them: of this computer, those whose process no longer runs; of any
// computer, those untouched for a day.
void RemoveStaleTemporaries(const std::string& file) {
    const std::string folder = FolderOf(file);
    const std::string name = file.substr(file.find_last_of('/') + 1);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const long self = static_cast<long>(::getpid());
    const time_t now = ::time(nullptr);
    while (const dirent* e = ::readdir(dir)) {
        TempName t;
        struct stat st {};
        if (!ParseTemp(e->d_name, name, &t) ||
            ::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode))
            continue;
        const bool ours = t.host == HostName();
        const bool gone = ours && t.pid != self && t.pid <= INT_MAX &&
                          ::kill(static_cast<pid_t>(t.pid), 0) != 0 && errno == ESRCH;
        if (gone || now - st.st_mtime > kSurelyDeadSeconds)
            ::unlinkat(::dirfd(dir), e->d_name, 0);
    }
    ::closedir(dir);
}

// What a writer learns of its target before it writes: the file the target
// names, and that file's status when it exists.
struct Target {
    std::string file;
    bool exists = false;
    struct stat st {};
};

// Refuses a target that is not a regular file or that the user may not
// write, with a message naming it as given.
bool Check(const std::string& target, Target* t, std::string* error) {
    if (target.empty()) {
        *error = Describe("Cannot write", target, ENOENT);
        return false;
    }
    if (const int err = Resolve(target, &t->file)) {
        *error = Describe("Cannot write", target, err);
        return false;
    }
    t->exists = ::stat(t->file.c_str(), &t->st) == 0;
    if (t->exists && !S_ISREG(t->st.st_mode)) {
        // Renaming over a device, pipe or folder would replace it, not write into it.
        *error = Describe("Cannot write", target, "not a regular file");
        return false;
    }
    if (t->exists) {
        if (const int err = WriteAccess(t->file, t->st)) {
            *error = Describe("Cannot write", target, err);
            return false;
        }
    }
    return true;
}

bool Prepare(const std::string& target, Target* t, std::string* error) {
    if (!Check(target, t, error))
        return false;
    RemoveStaleTemporaries(t->file);
    return true;
}

// The replacement keeps the replaced file's mode (and, where allowed, its
// owner), as a plain write into it would.
int KeepModeAndOwner(int fd, const Target& t) {
    if (!t.exists)
        return 0;
    if (::geteuid() == 0 && ::fchown(fd, t.st.st_uid, t.st.st_gid) != 0) {
        // Best effort: the content and the mode matter more than the owner.
    }
    return ::fchmod(fd, t.st.st_mode & 07777) == 0 ? 0 : errno;
}

} // namespace

int CheckWriteTarget(const std::string& target, std::string* error) {
    Target t;
    std::string why;
    if (Check(target, &t, &why))
        return 0;
    SetError(error, std::move(why));
    return -1;
}

std::string TempNameFor(const std::string& target) {
    std::string file;
    return TempBeside(Resolve(target, &file) == 0 ? file : target);
}

AtomicFile::~AtomicFile() {
    Abort();
}

bool AtomicFile::Fail(const char* what, int err) {
    failed_ = true;
    error_ = Describe(what, target_, err);
    return false;
}

bool AtomicFile::Open(const std::string& target) {
    Abort();
    target_ = target;
    error_.clear();
    failed_ = false;
    Target t;
    if (!Prepare(target, &t, &error_)) {
        failed_ = true;
        return false;
    }
    file_ = t.file;
    temp_ = TempBeside(file_);
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        temp_.clear();
        return Fail("Cannot write", errno);
    }
    if (const int err = KeepModeAndOwner(fd_, t)) {
        Fail("Cannot write", err);
        Abort();
        return false;
    }
    return true;
}

bool AtomicFile::Write(const void* data, std::size_t size) {
    if (failed_ || fd_ < 0)
        return false;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Fail("Cannot write", errno);
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool AtomicFile::Commit() {
    if (failed_ || fd_ < 0) {
        if (error_.empty())
            error_ = Describe("Cannot write", target_, EBADF);
        Abort();
        return false;
    }
    if (::fsync(fd_) != 0) {
        Fail("Cannot write", errno);
        Abort();
        return false;
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        Fail("Cannot write", errno);
        Abort();
        return false;
    }
    if (::rename(temp_.c_str(), file_.c_str()) != 0) {
        Fail("Cannot replace", errno);
        Abort();
        return false;
    }
    temp_.clear();
    SyncFolder(file_);
    return true;
}

void AtomicFile::Abort() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

int WriteFileAtomic(const std::string& target, std::string_view data, std::string* error) {
    AtomicFile f;
    if (f.Open(target) && f.Write(data) && f.Commit())
        return 0;
    SetError(error, f.Error());
    return -1;
}

int CommitFileAtomic(const std::string& temp, const std::string& target, std::string* error) {
    const auto fail = [&](std::string msg) {
        SetError(error, std::move(msg));
        ::unlink(temp.c_str());
        return -1;
    };
    Target t;
    std::string why;
    if (!Prepare(target, &t, &why))
        return fail(why);
    const int fd = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return fail(Describe("Cannot write", target, errno));
    int err = KeepModeAndOwner(fd, t);
    if (err == 0 && ::fsync(fd) != 0)
        err = errno;
    ::close(fd);
    if (err != 0)
        return fail(Describe("Cannot write", target, err));
    if (::rename(temp.c_str(), t.file.c_str()) != 0)
        return fail(Describe("Cannot replace", target, errno));
    SyncFolder(t.file);
    return 0;
}

} // namespace support
