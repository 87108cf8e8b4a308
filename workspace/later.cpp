// Stand-ins for the statistics and output hooks of the measurement sequence,
// until their modules replace them.
#include "workspace/later.h"

int indxColumn = 0;

void main_UpdateTable(int) {}          // statistics arrive with their module
void main_PrintStatisticsTable(int) {} // statistics arrive with their module

void main_WriteToXLS(int) {} // spreadsheet output arrives with its module
void main_WriteCsv() {}      // CSV output arrives with its module
void main_WriteCap() {}      // ASCII output arrives with its module
