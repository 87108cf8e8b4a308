// Test seam for modal dialogs: queued answers and a record of what was shown.
// When scripting is on, no popup ever blocks: an unscripted popup takes its
// default answer (message: OK; confirm: no; prompt and file select: cancel;
// modal panel and popup menu: 0) and is still recorded.
#pragma once

#include <string>
#include <vector>

namespace popup_script {

enum class Kind { Message, Confirm, Generic, Prompt, Password, FileSelect, ModalPanel, PopupMenu };

struct Shown {
    Kind kind;
    std::string title;
    std::string text;
};

struct Answer {
    int result = 0;         // returned value (confirm 1/0, file select status, control id ...)
    std::string response;   // prompt text or chosen path
};

void Enable(bool on);       // on: scripted; off: real dialogs
bool Enabled();
void Push(Answer answer);   // answers are consumed in order, whatever the popup kind
void PushConfirm(bool yes);
void PushPrompt(const std::string& text, bool ok = true);
void PushFile(const std::string& path, int status);
void Clear();               // drops queued answers and the record
const std::vector<Shown>& Record();
std::size_t Pending();

}  // namespace popup_script
