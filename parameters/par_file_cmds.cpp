// The parameter window's files: the block image as a .par file, the
// parameter text as a text file or on the clipboard, and the replay of a
// parameter text into the device.
#include <string>
#include <vector>

#include "link/log.h"
#include "link/readouts.h"
#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "parameters/par_block_page.h"
#include "parameters/par_file.h"
#include "parameters/par_window.h"
#include "parameters/parameters_state.h"
#include "support/numfmt.h"
#include "support/paths.h"
#include "ui/ui.h"

namespace {

constexpr double kReplayLineGap = 0.01;    // s between two replayed commands
constexpr std::size_t kShownLinesMax = 20; // of a list in a message

// Runs a file dialog starting in cLastParPath; true with path when a file was
// chosen (then cLastParPath becomes its folder).  A dialog that failed sets
// *status below 0.
bool ChooseFile(const char* defaultName, const char* filter, const char* title, int button,
                std::string* path, int* status = nullptr) {
    char chosen[4096] = {};
    const int r = FileSelectPopup(cLastParPath, defaultName, filter, title, button, 0, 0, 1, 1,
                                  chosen, sizeof chosen);
    if (status)
        *status = r;
    if (r <= 0)
        return false;
    *path = chosen;
    support::KeepFolderOf(*path, cLastParPath, sizeof cLastParPath);
    return true;
}

struct Busy {
    explicit Busy(bool holdTimer) : timer_(holdTimer) {
        if (timer_)
            SuspendTimerCallbacks();
        SetWaitCursor(1);
    }
    ~Busy() {
        SetWaitCursor(0);
        if (timer_)
            ResumeTimerCallbacks();
    }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

  private:
    bool timer_;
};

// "line N: command" of each, at most kShownLinesMax of them.
std::string ListedSend(const std::vector<parameters::ReplayLine>& lines) {
    std::string out;
    for (std::size_t i = 0; i < lines.size() && i < kShownLinesMax; ++i)
        out += support::FormatC("line %d: ", lines[i].lineNumber) + lines[i].command + "\n";
    return out;
}

std::string ListedRefused(const std::vector<parameters::RefusedLine>& lines) {
    std::string out;
    for (std::size_t i = 0; i < lines.size() && i < kShownLinesMax; ++i)
        out += support::FormatC("line %d: ", lines[i].lineNumber) + lines[i].text + " (" +
               lines[i].reason + ")\n";
    if (lines.size() > kShownLinesMax)
        out += support::FormatC("... and %zu more\n", lines.size() - kShownLinesMax);
    return out;
}

} // namespace

void PU_AllParameter_to_Text(std::string& out, parameters::NumberStyle style) {
    out += parameters::PU_AllParameter_to_Text(PU_CurrentTextRows(), style);
}

int ReadParFile(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    std::string path;
    if (!ChooseFile("*.par", "*.par", "Select parameter file...", VAL_LOAD_BUTTON, &path))
        return 0;
    if (iOffline != 0 || ParBlockList.empty())
        PU_InitParBlock(); // no device read has built it
    // Read aside: a short or long file leaves the image as it was.
    parameters::ParBlock read{};
    if (parameters::ReadParFile(path, &read) != 0) {
        MessagePopup("Failure", parameters::kParReadFailure);
        return 0;
    }
    bParBlock = read;
    PU_ParBlockBuffer_Interprate_and_Display();
    SetCtrlAttribute(hTabBlock, TAB_BLOCK_UT_PAR_BLOCK, ATTR_LABEL_TEXT,
                     parameters::ParFile_ListLabel(path).c_str());
    return 0;
}

int SaveParFile(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    std::string path;
    if (!ChooseFile("*.par", "*.par", "Save As...", VAL_OK_BUTTON, &path))
        return 0;
    if (parameters::SaveParFile(path, bParBlock) != 0)
        MessagePopup("Failure", parameters::kParWriteFailure);
    return 0;
}

int SaveParToDisk(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    const std::string name = parameters::ParText_DefaultFileName(cSerial1);
    fileio_Log_Call("CVICALLBACK SaveParToDisk, FileSelectPopupEx");
    fileio_Log_Call_ArgStr(cLastParPath);
    fileio_Log_Call_ArgStr(name.c_str());
    std::string path;
    int status = 0;
    ChooseFile(name.c_str(), "Parameters as Text (*.txt);All Files (*.*);", "Save As...",
               VAL_SAVE_BUTTON, &path, &status);
    // Cancel (0), an existing (1) or a new file (2) are answers, not failures.
    fileio_Log_Answer(status, status < 0);
    if (status < 0) {
        MessagePopup("Orvalin", "Error!");
        return 0;
    }
    if (status == 0)
        return 0;
    Busy busy(false);
    std::string text;
    PU_AllParameter_to_Text(text);
    std::string error;
    if (parameters::ParText_WriteFile(path, text, &error) != 0)
        MessagePopup("Failure", ("Error writing the parameter text file\n" + error).c_str());
    return 0;
}

int ParToText(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    Busy busy(false);
    // The user's decimal separator, for pasting into the user's programs.
    std::string text;
    PU_AllParameter_to_Text(text, parameters::NumberStyle::User);
    ClipboardPutText(text.c_str());
    return 0;
}

int LoadParFromDisk(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    std::string path;
    if (!ChooseFile("*.txt", "*.txt", "Select file...", VAL_LOAD_BUTTON, &path))
        return 0;
    Busy busy(true); // the status timer would talk between the commands
    std::string current;
    PU_AllParameter_to_Text(current);
    std::string fileText, error;
    if (parameters::ParText_ReadFile(path, &fileText, &error) != 0) {
        MessagePopup("Failure", ("Error reading the parameter text file\n" + error).c_str());
        return 0;
    }
    const std::vector<parameters::KnownSetCommand> known =
        parameters::PU_KnownSetCommands(Parameter);
    parameters::ReplayPlan plan = parameters::ParText_PlanReplay(fileText, current, known);

    // Lines that change who the instrument is go only when the user says so.
    std::vector<parameters::ReplayLine> identity;
    for (const parameters::ReplayLine& l : plan.send)
        if (l.identity)
            identity.push_back(l);
    if (!identity.empty()) {
        const std::string message = "The file changes the identity of the instrument:\n" +
                                    ListedSend(identity) + "Send these lines too?";
        if (ConfirmPopup("Parameter Utility", message.c_str()) == 0)
            std::erase_if(plan.send, [](const parameters::ReplayLine& l) { return l.identity; });
    }
    for (const parameters::ReplayLine& l : plan.send) {
        const std::string command = l.command + "\r";
        set_Parameter(command.c_str()); // reports its own failure; the next line follows
        comm_Pause(kReplayLineGap);
    }
    if (!plan.refused.empty())
        MessagePopup("Parameter Utility",
                     ("These lines were not sent:\n" + ListedRefused(plan.refused)).c_str());

    PU_GetAllParam();
    const std::string title = "Parameter Utility - " + path;
    SetPanelAttribute(hParUtil, ATTR_TITLE, title.c_str());
    return 0;
}
