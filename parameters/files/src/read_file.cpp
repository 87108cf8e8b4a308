#include "read_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/numfmt.h"

namespace parameters::detail {

int ReadBoundedFile(const std::string& path, std::size_t maxBytes, std::string* out,
                    std::string* error) {
    const auto fail = [&](std::string why) {
        if (error)
            *error = path + ": " + why;
        return -1;
    };
    // O_NONBLOCK: a fifo chosen in a dialog must not hang the program.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return fail(std::strerror(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail("not a regular file");
    }
    std::string bytes;
    char buf[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            return fail(std::strerror(err));
        }
        if (n == 0)
            break;
        if (bytes.size() + static_cast<std::size_t>(n) > maxBytes) {
            ::close(fd);
            return fail(support::FormatC("larger than %zu bytes", maxBytes));
        }
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    *out = std::move(bytes);
    return 0;
}

} // namespace parameters::detail
