// Where the running program lies: its data files are kept beside it.
#pragma once

#include <string>

namespace support {

// The folder of the running executable, without a trailing slash; "" when
// the system cannot tell it.
std::string ProgramDir();

} // namespace support
