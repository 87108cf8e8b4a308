// Test seam for modal dialogs: queued answers and a record of what was shown.
// When scripting is on, no popup ever blocks: an unscripted popup takes its
// default answer (message: OK; confirm: no; prompt and file select: cancel;
// modal panel and popup menu: 0) and is still recorded.
// A plain MessagePopup has nothing to answer and consumes no queued answer;
// every other popup takes the next one, whatever it was pushed as.
// Recorded texts: prompt/confirm/generic/message: the message; file select:
// the filter list (start folder and default name in their own fields);
// modal panel: the panel's title; popup menu: the menu's title; print
// dialog: title "Print", the printed panel's title (answer: result 1 and the
// PDF path to print to, or 0 to cancel).
#pragma once

#include <string>
#include <vector>

namespace popup_script {

enum class Kind {
    Message,
    Confirm,
    Generic,
    Prompt,
    Password,
    FileSelect,
    ModalPanel,
    PopupMenu,
    Print,
    Progress // progress dialog (no answer taken)
};

struct Shown {
    Kind kind;
    std::string title;
    std::string text;
    std::string directory;   // file select: start folder
    std::string defaultName; // file select: default file name
};

struct Answer {
    int result = 0;       // returned value (confirm 1/0, file select status, control id ...)
    std::string response; // prompt text or chosen path
};

void Enable(bool on); // on: scripted; off: real dialogs
bool Enabled();
void Push(Answer answer); // answers are consumed in order, whatever the popup kind
void PushConfirm(bool yes);
void PushPrompt(const std::string& text, bool ok = true);
void PushFile(const std::string& path, int status); // status: VAL_*_FILE_SELECTED, or < 0
void PushChoice(int result); // generic popup button, modal panel control, popup menu item
void Clear();                // drops queued answers and the record
const std::vector<Shown>& Record();
std::size_t Pending();

} // namespace popup_script
