// Folders of the program's own files.
#pragma once

#include <string>

// Folder of the user's configuration data for this program, ending in '/':
// $XDG_CONFIG_HOME (or ~/.config) + "/ZOLT/Orvalin/"; empty when neither
// variable gives an absolute folder.
std::string fileio_AppDataFolder();

// Creates the missing folders of `path`.  Text after the last '/' is not
// created, so a caller that wants the last folder ends the path with '/'.
// Returns 0 when every folder exists or was created, -1 after a failed
// creation (the user is told which folder failed).
int fileio_CheckPath(const std::string& path);
