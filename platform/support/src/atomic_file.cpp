#include "support/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
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

std::string Describe(const char* what, const std::string& file, int err) {
    std::string msg = what;
    msg += " \"";
    msg += file;
    msg += "\": ";
    msg += std::strerror(err);
    return msg;
}

void SetError(std::string* out, std::string msg) {
    if (out)
        *out = std::move(msg);
}

} // namespace

std::string TempNameFor(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp%ld.%u", static_cast<long>(::getpid()),
                  counter.fetch_add(1));
    return target + suffix;
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
    if (target.empty())
        return Fail("Cannot write", ENOENT);
    struct stat st {};
    // Renaming over a device or a folder would replace it, not write into it.
    if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return Fail("Cannot write", S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    temp_ = TempNameFor(target);
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        temp_.clear();
        return Fail("Cannot write", errno);
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
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        Fail("Cannot replace", errno);
        Abort();
        return false;
    }
    temp_.clear();
    SyncFolder(target_);
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
    const int fd = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SetError(error, Describe("Cannot write", target, errno));
        ::unlink(temp.c_str());
        return -1;
    }
    const int syncErr = ::fsync(fd) != 0 ? errno : 0;
    ::close(fd);
    if (syncErr != 0) {
        SetError(error, Describe("Cannot write", target, syncErr));
        ::unlink(temp.c_str());
        return -1;
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        SetError(error, Describe("Cannot replace", target, errno));
        ::unlink(temp.c_str());
        return -1;
    }
    SyncFolder(target);
    return 0;
}

} // namespace support
