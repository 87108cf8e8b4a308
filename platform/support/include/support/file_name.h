// File names typed into a save chooser.
#pragma once

#include <string>
#include <vector>

namespace support {

// The name a save chooser settles on for the kind of file it offers
// (`extensions`, ".csv" or ".xls" and ".xlsx"): the path as typed when its
// file name already ends in one of them, in any case and in their usual
// other spelling (".jpeg" for ".jpg"); else the path with the first one
// appended. A dot elsewhere in the name ("conc 2.5mM") is part of the name.
std::string SaveName(const std::string& path, const std::vector<std::string>& extensions);

} // namespace support
