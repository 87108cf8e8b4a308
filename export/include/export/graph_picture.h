// Pictures of what the screen shows: a control (a graph) or a whole panel
// saved as a JPEG file.
#pragma once

// Grabs the control (control 0: the panel's visible area) and writes it as a
// baseline JPEG of the given quality (0..100).  Returns 0 for a written file,
// 1 for any failure, which the user is told in a message; a failed write
// leaves no file and an existing one as it was.
int Jpg_SavePanelControlToFile(int panel, int control, const char* fileName, int quality);
