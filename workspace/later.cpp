// Stand-ins for the output hooks of the measurement sequence,
// until their modules replace them.
#include "workspace/later.h"

void main_WriteToXLS(int) {} // spreadsheet output arrives with its module
void main_WriteCsv() {}      // CSV output arrives with its module
void main_WriteCap() {}      // ASCII output arrives with its module
