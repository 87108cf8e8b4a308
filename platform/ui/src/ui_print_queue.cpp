// What the print server did with a job the print dialog sent. The printer
// engine hands the job to the server and keeps its answer to itself, so a
// queue that refuses jobs, or one that is stopped, would go unnoticed.
#include <cups/cups.h>
#include <string>

#include "ui_internal.h"

namespace uiimpl {

// The queue's own account of itself, asked for by name ("queue/instance"
// names an instance of the queue). The request also leaves the server's
// last answer a good one, so what is read after the job is the job's own.
PrintQueue PrintQueueBeforeJob(const std::string& printer) {
    PrintQueue q;
    const std::string queue = printer.substr(0, printer.find('/'));
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                     "/printers/%s", queue.c_str());
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    static const char* const wanted[] = {"printer-state", "printer-state-message",
                                         "printer-state-reasons", "printer-is-accepting-jobs"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  sizeof wanted / sizeof *wanted, nullptr, wanted);
    ipp_t* answer = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    if (!answer)
        return q;
    // Deleted after the dialog listed it: the job's own error says only
    // that a file is missing.
    q.exists = ippGetStatusCode(answer) != IPP_STATUS_ERROR_NOT_FOUND;
    if (ipp_attribute_t* a = ippFindAttribute(answer, "printer-state", IPP_TAG_ENUM))
        q.stopped = ippGetInteger(a, 0) == IPP_PSTATE_STOPPED;
    if (ipp_attribute_t* a = ippFindAttribute(answer, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN))
        q.accepting = ippGetBoolean(a, 0) != 0;
    if (ipp_attribute_t* a = ippFindAttribute(answer, "printer-state-message", IPP_TAG_TEXT))
        if (const char* s = ippGetString(a, 0, nullptr))
            q.reason = s;
    if (q.reason.empty()) {
        if (ipp_attribute_t* a = ippFindAttribute(answer, "printer-state-reasons", IPP_TAG_KEYWORD))
            for (int i = 0; i < ippGetCount(a); ++i) {
                const char* r = ippGetString(a, i, nullptr);
                if (r && std::string(r) != "none")
                    q.reason += (q.reason.empty() ? "" : ", ") + std::string(r);
            }
    }
    ippDelete(answer);
    return q;
}

int PrintQueueAfterJob(const std::string& printer, const PrintQueue& before,
                       const std::string& job) {
    const std::string where = "the printer \"" + printer + "\"";
    if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE) {
        std::string why = cupsLastErrorString() ? cupsLastErrorString() : "";
        if (!before.exists)
            why = "it no longer exists";
        else if (!before.accepting)
            why = "it does not accept jobs" +
                  (before.reason.empty() ? "" : " (" + before.reason + ")");
        return Fail(UI_ERR_IO, "Nothing was sent to " + where + ": " + why);
    }
    if (!before.stopped)
        return 0;
    S().lastError = "The job \"" + job + "\" waits in the queue of " + where +
                    ", which is stopped" +
                    (before.reason.empty() ? "" : " (" + before.reason + ")") +
                    ". It is printed when the printer is started again.";
    return UI_PRINT_HELD;
}

} // namespace uiimpl
