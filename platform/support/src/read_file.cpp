#include "support/read_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/numfmt.h"

namespace support {

int ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string* out,
                    std::string* why) {
    int fd = -1;
    const auto fail = [&](std::string text) {
        if (fd >= 0)
            ::close(fd);
        if (why)
            *why = std::move(text);
        return -1;
    };
    const auto tooLarge = [&] { return fail(FormatC("larger than %zu bytes", maxBytes)); };
    // O_NONBLOCK: opening a named pipe waits for a writer otherwise.
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return fail(std::strerror(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return fail("not a regular file");
    if (static_cast<unsigned long long>(st.st_size) > maxBytes)
        return tooLarge();
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buf[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(std::strerror(errno));
        if (n == 0)
            break;
        // The file may grow while it is read.
        if (bytes.size() + static_cast<std::size_t>(n) > maxBytes)
            return tooLarge();
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    *out = std::move(bytes);
    return 0;
}

} // namespace support
