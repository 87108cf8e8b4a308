// The sensor choice on the parameter window's SENSOR page, filled from the
// sensor-list file of the connected device's type.
#pragma once

// Empties the choice and fills it from the sensor-list file in the working
// folder, else the one beside the program.  Returns 0, or -1 (told to the user, the choice left
// empty) when the file cannot be read.
int PU_LoadSensList();
