// Where a print goes when no printer is installed, and what became of it.
#pragma once

#include <string>

// With no printer installed the print dialog could only make a file, so the
// user names a PDF file at once (".pdf" added when missing).  Returns 1 with
// *pdf set, 0 when a printer exists (print through the dialog), -1 when the
// user cancelled.
int export_PdfWithoutPrinter(const char* title, const char* defaultName, std::string* pdf);

// Tells the user what became of a print (PrintPanel's result) in a message
// titled `title`: why `what` was not printed, or that a stopped printer
// holds the job.  Nothing for a print done or cancelled.
void export_TellPrintResult(int result, const char* title, const char* what);
