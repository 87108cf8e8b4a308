#include "book/live_app.h"

#include <algorithm>

#include "book/book.h"
#include "book_internal.h"

namespace book {

int AppMaxRow(int majorVersion) {
    return majorVersion >= 12 ? 1048576 : 65536;
}

int AppMaxColumn(int majorVersion) {
    return majorVersion >= 12 ? 16384 : 256;
}

std::string AppErrorText(int code) {
    switch (code) {
    case kAppUnreachable:
        return "No spreadsheet application can be started from this program.";
    case kAppNotStarted:
        return "The spreadsheet application is not running.";
    case kAppNoWorkbook:
        return "No workbook is open in the spreadsheet application.";
    case kAppNoWorksheet:
        return "The workbook has no such worksheet.";
    case kAppBadReference:
        return "The cell reference is not valid for the application's sheet.";
    case kAppRefused:
        return "The spreadsheet application refused the request.";
    case kAppLost:
        return "The spreadsheet application stopped answering.";
    default:
        return code < 0 ? "Unknown error." : "No error.";
    }
}

namespace {

class UnreachableApp : public LiveApp {
  public:
    int Start() override { return kAppUnreachable; }
    int NewWorkbook() override { return kAppNotStarted; }
    int Version() override { return kAppNotStarted; }
    int SelectWorksheet(int) override { return kAppNotStarted; }
    int AppendWorksheet() override { return kAppNotStarted; }
    int WriteCell(const std::string&, const std::string&) override { return kAppNotStarted; }
    int WriteRange(const std::string&, const double*, int) override { return kAppNotStarted; }
    int Quit() override { return kAppNotStarted; }
    void Discard() override {}
    std::string ErrorText(int code) const override { return AppErrorText(code); }
};

} // namespace

std::unique_ptr<LiveApp> MakeUnreachableApp() {
    return std::make_unique<UnreachableApp>();
}

int RecordingApp::Record(Call call) {
    const bool fail = std::find(failing.begin(), failing.end(), call.op) != failing.end();
    calls_.push_back(std::move(call));
    return fail ? kAppRefused : 0;
}

int RecordingApp::Start() {
    const int rc = Record({"Start", "", "", {}});
    started_ = rc == 0;
    return rc;
}

int RecordingApp::NewWorkbook() {
    const int rc = Record({"NewWorkbook", "", "", {}});
    if (rc != 0)
        return rc;
    if (!started_)
        return kAppNotStarted;
    workbook_ = true;
    sheetCount_ = worksheets;
    return 0;
}

int RecordingApp::SelectWorksheet(int index) {
    const int rc = Record({"SelectWorksheet", std::to_string(index), "", {}});
    if (rc != 0)
        return rc;
    if (!workbook_)
        return kAppNoWorkbook;
    return index >= 1 && index <= sheetCount_ ? 0 : kAppNoWorksheet;
}

int RecordingApp::AppendWorksheet() {
    const int rc = Record({"AppendWorksheet", "", "", {}});
    if (rc != 0)
        return rc;
    if (!workbook_)
        return kAppNoWorkbook;
    ++sheetCount_;
    return 0;
}

bool ParseColumnTarget(const std::string& ref, int count, int* row, int* column) {
    const auto colon = ref.find(':');
    int row2 = 0, col2 = 0;
    if (!ParseCellRef(ref.substr(0, colon), row, column))
        return false;
    if (colon == std::string::npos)
        row2 = *row, col2 = *column;
    else if (!ParseCellRef(ref.substr(colon + 1), &row2, &col2))
        return false;
    return col2 == *column && row2 - *row + 1 == count;
}

// A target of ParseColumnTarget inside the sheet of this version.
int RecordingApp::CheckRange(const std::string& ref, int count) const {
    if (!workbook_)
        return kAppNoWorkbook;
    int row = 0, col = 0;
    if (!ParseColumnTarget(ref, count, &row, &col))
        return kAppBadReference;
    return row + count - 1 <= AppMaxRow(version_) && col <= AppMaxColumn(version_)
               ? 0
               : kAppBadReference;
}

int RecordingApp::WriteCell(const std::string& ref, const std::string& text) {
    const int rc = Record({"WriteCell", ref, text, {}});
    return rc != 0 ? rc : CheckRange(ref, 1);
}

int RecordingApp::WriteRange(const std::string& ref, const double* values, int count) {
    std::vector<double> v;
    if (values && count > 0)
        v.assign(values, values + count);
    const int rc = Record({"WriteRange", ref, "", std::move(v)});
    return rc != 0 ? rc : CheckRange(ref, count);
}

int RecordingApp::Quit() {
    const int rc = Record({"Quit", "", "", {}});
    if (rc != 0)
        return rc;
    if (!started_)
        return kAppNotStarted;
    started_ = workbook_ = false;
    return keepsOpen ? kAppKeptOpen : 0;
}

void RecordingApp::Discard() {
    Record({"Discard", "", "", {}});
    started_ = workbook_ = false;
}

} // namespace book
