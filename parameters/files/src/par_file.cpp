#include "parameters/par_file.h"

#include <cstring>

#include "support/atomic_file.h"
#include "support/numfmt.h"
#include "support/read_file.h"

namespace parameters {
namespace {

int Fail(std::string* error, std::string text) {
    if (error)
        *error = std::move(text);
    return -1;
}

} // namespace

int ParFile_Parse(std::string_view bytes, ParBlock* out, std::string* error) {
    if (bytes.size() != kParBlockSize)
        return Fail(error, support::FormatC("the file holds %zu bytes, a parameter block %zu",
                                            bytes.size(), kParBlockSize));
    std::memcpy(out->data(), bytes.data(), kParBlockSize);
    return 0;
}

int ReadParFile(const std::string& path, ParBlock* out, std::string* error) {
    std::string bytes;
    std::string why;
    if (support::ReadRegularFile(path, kParBlockSize, &bytes, &why) != 0 ||
        ParFile_Parse(bytes, out, &why) != 0)
        return Fail(error, path + ": " + why);
    return 0;
}

int SaveParFile(const std::string& path, const ParBlock& block, std::string* error) {
    return support::WriteFileAtomic(
        path, std::string_view(reinterpret_cast<const char*>(block.data()), block.size()), error);
}

std::string ParFile_ListLabel(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return "Parameter block from file " +
           (slash == std::string::npos ? path : path.substr(slash + 1));
}

} // namespace parameters
