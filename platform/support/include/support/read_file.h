// The one way files are read: the files read here come from users and are
// never trusted to be small, or to be files at all.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace support {

// Opens path with flags (O_RDONLY; O_WRONLY | O_CREAT for a file written as
// it goes, created with mode 0644) only when it is, or becomes, a regular
// file: a named pipe cannot block the open, and a pipe, device or folder is
// refused with "not a regular file".  Returns a blocking, close-on-exec
// descriptor, or -1 with *why (if given) saying what is wrong.
int OpenRegularFile(const std::string& path, int flags, std::string* why);

// Reads a whole regular file of at most maxBytes. A named pipe, a device or a
// folder is refused before a byte is read, and a pipe cannot block the open.
// Returns 0 with the bytes, or -1 with *why saying what is wrong (no path:
// "not a regular file", "larger than N bytes", or the system's error text).
int ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string* out,
                    std::string* why);

// The same, for a file too large to be held twice: the bytes are handed to
// `piece` as they arrive (in order, together the whole file; each piece is
// valid during its call only).  Refused as above before `piece` is called;
// a read that fails or outgrows maxBytes half way returns -1 after some.
int ReadRegularFileInPieces(const std::string& path, std::size_t maxBytes,
                            const std::function<void(std::string_view)>& piece, std::string* why);

} // namespace support
