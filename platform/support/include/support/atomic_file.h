// The one way files are written: into a temporary beside the target, flushed
// and synced, then renamed over it. A crash, a full disk or an error never
// leaves a truncated target; the old file stays until the new one is whole.
// A target that is a symbolic link stays one: the file it names is replaced.
// A replaced file keeps its mode; a target that is not a regular file, or
// that the user may not write, is refused. A temporary's name tells the
// computer and process that write it; the next save of the same target
// removes those of this computer's processes that no longer run, and those
// of any computer untouched for a day.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace support {

// Streams a file into place. Nothing is visible at the target until Commit()
// succeeds; an object destroyed without a successful Commit() removes its
// temporary.
class AtomicFile {
  public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary in the target's folder. Returns false (see Error()).
    bool Open(const std::string& target);
    // Appends bytes; after a failure every later call fails too.
    bool Write(const void* data, std::size_t size);
    bool Write(std::string_view text) { return Write(text.data(), text.size()); }
    // Flushes, syncs, renames over the target and syncs the folder.
    bool Commit();
    // Removes the temporary; the target is untouched.
    void Abort();

    // A message a person can read: what failed, on which file, and why.
    const std::string& Error() const { return error_; }

  private:
    bool Fail(const char* what, int err);

    int fd_ = -1;
    std::string target_; // as given, for messages
    std::string file_;   // the file it names
    std::string temp_;
    std::string error_;
    bool failed_ = false;
};

// Writes a whole file in one go. Returns 0, or -1 with *error set (if given).
int WriteFileAtomic(const std::string& target, std::string_view data, std::string* error = nullptr);

// Places an already written file (temp, in the target's folder) over target:
// sync, rename, sync the folder. Used where a library writes the file itself.
// The temporary is removed on failure. Returns 0, or -1 with *error set.
int CommitFileAtomic(const std::string& temp, const std::string& target,
                     std::string* error = nullptr);

// A fresh temporary name beside the file target names (not created).
std::string TempNameFor(const std::string& target);

// Whether target can be written here, checked as the writers above check it
// (for a file built at length before it is committed).  Returns 0, or -1
// with *error set to the message a write would give.
int CheckWriteTarget(const std::string& target, std::string* error = nullptr);

} // namespace support
