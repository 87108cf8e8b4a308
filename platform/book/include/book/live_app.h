// A running spreadsheet application fed cell by cell while the program
// measures. Every call returns 0 or more on success and a negative error code
// on failure; ErrorText turns a code into a sentence for the user.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace book {

// Error codes of the back ends below.
inline constexpr int kAppUnreachable = -1;  // no application could be started
inline constexpr int kAppNotStarted = -2;   // call before a successful Start
inline constexpr int kAppNoWorkbook = -3;   // call before a successful NewWorkbook
inline constexpr int kAppNoWorksheet = -4;  // no worksheet with that index
inline constexpr int kAppBadReference = -5; // malformed or beyond the application's sheet
inline constexpr int kAppRefused = -6;      // the application declined
inline constexpr int kAppLost = -7;         // the application stopped answering or is gone
// Quit's success when the application stays open with the workbook unsaved:
// the columns are still there, but only the user can keep them now.
inline constexpr int kAppKeptOpen = 1;

class LiveApp {
  public:
    virtual ~LiveApp() = default;
    // Starts the application, visible.
    virtual int Start() = 0;
    // Opens a new workbook in it.
    virtual int NewWorkbook() = 0;
    // The application's major version (it decides the sheet size: 16384
    // columns by 1048576 rows from 12 on, 256 by 65536 before).
    virtual int Version() = 0;
    // Makes worksheet index (1-based) the one written; AppendWorksheet adds one
    // at the end and makes it the one written.
    virtual int SelectWorksheet(int index) = 0;
    virtual int AppendWorksheet() = 0;
    // One text cell, reference like "B3".
    virtual int WriteCell(const std::string& ref, const std::string& text) = 0;
    // count values down one column, reference like "B6:B2053" (or "B6" for one).
    virtual int WriteRange(const std::string& ref, const double* values, int count) = 0;
    // Asks the application to quit; on success (0 or kAppKeptOpen) every
    // handle is released.
    virtual int Quit() = 0;
    // Releases the handles without quitting (after a failed start).
    virtual void Discard() = 0;
    virtual std::string ErrorText(int code) const = 0;
};

// The back end of a machine where no spreadsheet application can be driven:
// Start fails with kAppUnreachable, every other call with kAppNotStarted.
std::unique_ptr<LiveApp> MakeUnreachableApp();

// Sheet size of a major version: highest 1-based row and column.
int AppMaxRow(int majorVersion);
int AppMaxColumn(int majorVersion);

// Text of the error codes above.
std::string AppErrorText(int code);

// Test back end: behaves like a reachable application and records each call.
class RecordingApp : public LiveApp {
  public:
    struct Call {
        std::string op; // "Start", "NewWorkbook", "SelectWorksheet", "AppendWorksheet",
                        // "WriteCell", "WriteRange", "Quit", "Discard"
        std::string ref;
        std::string text;
        std::vector<double> values;
    };

    explicit RecordingApp(int majorVersion = 16) : version_(majorVersion) {}

    // Calls whose op is listed here fail with kAppRefused (recorded all the same).
    std::vector<std::string> failing;
    int worksheets = 1;     // worksheets of a new workbook
    bool keepsOpen = false; // Quit answers kAppKeptOpen, as a visible unsaved workbook does

    const std::vector<Call>& calls() const { return calls_; }

    int Start() override;
    int NewWorkbook() override;
    int Version() override { return version_; }
    int SelectWorksheet(int index) override;
    int AppendWorksheet() override;
    int WriteCell(const std::string& ref, const std::string& text) override;
    int WriteRange(const std::string& ref, const double* values, int count) override;
    int Quit() override;
    void Discard() override;
    std::string ErrorText(int code) const override { return AppErrorText(code); }

  private:
    int Record(Call call);
    int CheckRange(const std::string& ref, int count) const;

    int version_;
    bool started_ = false;
    bool workbook_ = false;
    int sheetCount_ = 0;
    std::vector<Call> calls_;
};

} // namespace book
