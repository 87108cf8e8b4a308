// The printed protocol: a one-page report of the twelve evaluation markers
// under a header (spectrometer number and type, array type, pixel count,
// fibre or slit, operator), with the date, a picture the user chooses and
// lines for date and signature.  The input panel PRINT (hPrtHead) edits the
// header; the page panel PROTOCOL1 (hPrtPanel) is what gets printed.
#pragma once

#include <string>

// Places of the texts in cPrtBuf: the marker values of slots 1..12, their
// wavelengths, then the six header fields.
constexpr int kPrtValueField = 0;
constexpr int kPrtWaveField = 12;
constexpr int kPrtHeaderField = 24;
constexpr int kPrtHeaderCount = 6;
// Longest text of one field (the buffer keeps its terminator).
constexpr int kPrtFieldChars = 49;

// "Print Protocol" menu item: fills the date, spectrometer number, array type,
// pixel count and (when empty) the operator, then shows both panels.
void PrintProt(int menuBar, int menuItem, void* callbackData, int panel);
// Copies the header fields into cPrtBuf and onto the page and formats the
// twelve marker lines.
void main_UpdateProtocol();

// The six header fields: a value change or a key press updates the page.
int SpecNum(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int SpecType(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int ArrayType(int panel, int control, int event, void* callbackData, int eventData1,
              int eventData2);
int PrintPixel(int panel, int control, int event, void* callbackData, int eventData1,
               int eventData2);
int FiberSlit(int panel, int control, int event, void* callbackData, int eventData1,
              int eventData2);
int PrintOperator(int panel, int control, int event, void* callbackData, int eventData1,
                  int eventData2);
// Buttons of the input panel: print the page, hide both panels, choose the
// picture shown on the page.
int CBPrint(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CBClose(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int DownloadImage(int panel, int control, int event, void* callbackData, int eventData1,
                  int eventData2);

void protocol_RegisterCallbacks();

// Prints the page: to pdfPath when given, else through the print dialog (or,
// with no printer installed, into a PDF file the user names).  0 printed,
// 1 cancelled, < 0 failed (reported to the user).
int prot_PrintPage(const char* pdfPath);

// ---------------------------------------------------------- pure helpers
// " 5. 3.2026": day, month and year, each blank-padded to its width.
std::string prot_DateText(int day, int month, int year);
// Texts of one marker slot: empty when value and position are both 0,
// else "%.2f" of the value and "@     %.2f" of the position, in the
// user's number format.
void prot_SlotTexts(double value, double position, std::string* valueText, std::string* waveText);
// The word after the number of a sensor-choice label ("007    S1" -> "S1"),
// at most kPrtFieldChars bytes; false (word untouched) when the label is not
// a number followed by a word.
bool prot_ArrayTypeFromLabel(const std::string& label, std::string* word);
// Copies at most kPrtFieldChars bytes, not splitting a UTF-8 character, and
// terminates.
void prot_CopyField(char (&field)[50], const std::string& text);
