// The program's settings file: read into the program's variables at start-up
// and reconnection, written from them at quit and disconnection.
#pragma once

#include <string>

struct ConfigValues;

// Where the file is read from and written to: config.ini in the application
// folder, or in the working directory when that folder does not exist (the
// writer creates it first).
std::string fileio_IniFilePath();

// Sets the defaults, then takes every usable value of the file into the
// program's variables.  0 when the file was read; -1 when it was missing or
// unreadable (the defaults stay, the stored connection and folders keep their
// values).
int fileio_ReadIniFile();

// Writes every setting.  0 when written; -1 after a failure, which the user
// is told about (the previous file stays whole).
int fileio_WriteIniFile();

// The program's settings as the file keeps them, and back.
void fileio_CollectSettings(ConfigValues* values);
void fileio_ApplySettings(const ConfigValues& values);
