#include "support/read_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/numfmt.h"

namespace support {

int OpenRegularFile(const std::string& path, int flags, std::string* why) {
    const auto fail = [&](int opened, const char* text) {
        if (opened >= 0)
            ::close(opened);
        if (why)
            *why = text;
        return -1;
    };
    // O_NONBLOCK: opening a named pipe waits for its other end otherwise.
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0)
        return fail(-1, std::strerror(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return fail(fd, "not a regular file");
    if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        return fail(fd, std::strerror(errno));
    return fd;
}

int ReadRegularFileInPieces(const std::string& path, std::size_t maxBytes,
                            const std::function<void(std::string_view)>& piece, std::string* why) {
    int fd = -1;
    const auto fail = [&](std::string text) {
        if (fd >= 0)
            ::close(fd);
        if (why)
            *why = std::move(text);
        return -1;
    };
    const auto tooLarge = [&] { return fail(FormatC("larger than %zu bytes", maxBytes)); };
    std::string refused;
    fd = OpenRegularFile(path, O_RDONLY, &refused);
    if (fd < 0)
        return fail(std::move(refused));
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return fail(std::strerror(errno));
    if (static_cast<unsigned long long>(st.st_size) > maxBytes)
        return tooLarge();
    // Large pieces for a large file (few calls), a small buffer for a small one.
    constexpr std::size_t kLeast = 8192, kMost = std::size_t{1} << 20;
    std::string buf(std::clamp(static_cast<std::size_t>(st.st_size) + 1, kLeast, kMost), '\0');
    std::size_t total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(std::strerror(errno));
        if (n == 0)
            break;
        // The file may grow while it is read.
        total += static_cast<std::size_t>(n);
        if (total > maxBytes)
            return tooLarge();
        piece(std::string_view(buf.data(), static_cast<std::size_t>(n)));
    }
    ::close(fd);
    return 0;
}

int ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string* out,
                    std::string* why) {
    std::string bytes;
    if (ReadRegularFileInPieces(
            path, maxBytes,
            [&](std::string_view p) {
                if (bytes.empty())
                    bytes.reserve(p.size());
                bytes.append(p);
            },
            why) != 0)
        return -1;
    *out = std::move(bytes);
    return 0;
}

} // namespace support
