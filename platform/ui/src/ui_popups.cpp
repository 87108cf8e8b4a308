// Modal dialogs through one seam: real dialogs, or scripted answers in tests.
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <cstring>
#include <deque>

#include "ui/popup_script.h"
#include "ui_internal.h"

namespace popup_script {
namespace {
struct Script {
    bool on = false;
    std::deque<Answer> answers;
    std::vector<Shown> record;
};
Script& G() {
    static Script s;
    return s;
}
} // namespace

void Enable(bool on) {
    G().on = on;
}
bool Enabled() {
    return G().on;
}
void Push(Answer answer) {
    G().answers.push_back(std::move(answer));
}
void PushConfirm(bool yes) {
    Push(Answer{yes ? 1 : 0, {}});
}
void PushPrompt(const std::string& text, bool ok) {
    Push(Answer{ok ? 0 : -1, text});
}
void PushFile(const std::string& path, int status) {
    Push(Answer{status, path});
}
void PushChoice(int result) {
    Push(Answer{result, {}});
}
void Clear() {
    G().answers.clear();
    G().record.clear();
}
const std::vector<Shown>& Record() {
    return G().record;
}
std::size_t Pending() {
    return G().answers.size();
}

} // namespace popup_script

using namespace uiimpl;
namespace ps = popup_script;

namespace {

void Note(ps::Kind kind, const char* title, const std::string& text, const std::string& dir = {},
          const std::string& name = {}) {
    ps::G().record.push_back(ps::Shown{kind, title ? title : "", text, dir, name});
}

// Next scripted answer, or the default when none is queued.
ps::Answer Take(int defaultResult) {
    auto& q = ps::G().answers;
    if (q.empty())
        return ps::Answer{defaultResult, {}};
    ps::Answer a = std::move(q.front());
    q.pop_front();
    return a;
}

QString Q(const char* s) {
    return QString::fromUtf8(s ? s : "");
}

QWidget* DialogParent() {
    if (PanelRec* p = Panel(S().activePanel))
        return p->w->window();
    return nullptr;
}

int CopyResponse(const std::string& text, char* response, int maxLength) {
    if (!response || maxLength < 0)
        return UI_ERR_BUFFER;
    std::size_t n = std::min(text.size(), static_cast<std::size_t>(maxLength));
    // Do not leave half a UTF-8 character at the cut.
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    std::memcpy(response, text.data(), n);
    response[n] = '\0';
    return 0;
}

int Prompt(ps::Kind kind, const char* title, const char* message, char* response, int maxLength,
           const char* okText = nullptr, const char* cancelText = nullptr) {
    if (!response || maxLength < 0)
        return UI_ERR_BUFFER;
    Note(kind, title, message ? message : "");
    if (ps::Enabled()) {
        ps::Answer a = Take(-1);
        if (a.result < 0)
            return a.result;
        return CopyResponse(a.response, response, maxLength);
    }
    if (!qApp)
        return UI_ERR_NO_APP;
    QInputDialog dlg(DialogParent());
    dlg.setWindowTitle(Q(title));
    dlg.setLabelText(Q(message));
    dlg.setInputMode(QInputDialog::TextInput);
    dlg.setTextEchoMode(kind == ps::Kind::Password ? QLineEdit::Password : QLineEdit::Normal);
    if (auto* le = dlg.findChild<QLineEdit*>())
        le->setMaxLength(std::max(0, maxLength));
    if (okText && *okText)
        dlg.setOkButtonText(Q(okText));
    if (cancelText && *cancelText)
        dlg.setCancelButtonText(Q(cancelText));
    if (dlg.exec() != QDialog::Accepted)
        return -1;
    return CopyResponse(dlg.textValue().toStdString(), response, maxLength);
}

} // namespace

void uiimpl::NotePopup(int kind, const char* title, const std::string& text) {
    Note(static_cast<ps::Kind>(kind), title, text);
}

int MessagePopup(const char* title, const char* message) {
    Note(ps::Kind::Message, title, message ? message : "");
    if (ps::Enabled())
        return 0;
    if (!qApp)
        return UI_ERR_NO_APP;
    QMessageBox box(QMessageBox::NoIcon, Q(title), Q(message), QMessageBox::Ok, DialogParent());
    box.exec();
    return 0;
}

int ConfirmPopup(const char* title, const char* message) {
    Note(ps::Kind::Confirm, title, message ? message : "");
    if (ps::Enabled())
        return Take(0).result != 0 ? 1 : 0;
    if (!qApp)
        return UI_ERR_NO_APP;
    QMessageBox box(QMessageBox::Question, Q(title), Q(message), QMessageBox::Yes | QMessageBox::No,
                    DialogParent());
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? 1 : 0;
}

int GenericMessagePopup(const char* title, const char* message, const char* b1, const char* b2,
                        const char* b3) {
    Note(ps::Kind::Generic, title, message ? message : "");
    const char* labels[3] = {b1, b2, b3};
    int count = 0;
    for (const char* l : labels)
        if (l && *l)
            ++count;
    if (ps::Enabled()) {
        int r = Take(1).result;
        return r >= 1 && r <= std::max(1, count) ? r : 1;
    }
    if (!qApp)
        return UI_ERR_NO_APP;
    QMessageBox box(QMessageBox::NoIcon, Q(title), Q(message), QMessageBox::NoButton,
                    DialogParent());
    QPushButton* buttons[3] = {nullptr, nullptr, nullptr};
    for (int i = 0; i < 3; ++i)
        if (labels[i] && *labels[i])
            buttons[i] = box.addButton(Q(labels[i]), QMessageBox::AcceptRole);
    if (!buttons[0] && !buttons[1] && !buttons[2])
        buttons[0] = box.addButton(QMessageBox::Ok);
    box.exec();
    for (int i = 0; i < 3; ++i)
        if (buttons[i] && box.clickedButton() == buttons[i])
            return i + 1;
    return 1;
}

int PromptPopup(const char* title, const char* message, char* response, int maxLength) {
    return Prompt(ps::Kind::Prompt, title, message, response, maxLength);
}

int PasswordPopup(const char* title, const char* message, char* response, int maxLength) {
    return Prompt(ps::Kind::Password, title, message, response, maxLength);
}

int PromptPopupButtons(const char* title, const char* message, char* response, int maxLength,
                       const char* okText, const char* cancelText) {
    return Prompt(ps::Kind::Prompt, title, message, response, maxLength, okText, cancelText);
}

int FileSelectPopup(const char* defaultDirectory, const char* defaultFileName,
                    const char* filterList, const char* title, int buttonLabel,
                    int /*restrictDirectory*/, int /*restrictExtension*/, int allowCancel,
                    int /*allowMakeDirectory*/, char* path, std::size_t pathSize) {
    if (!path || pathSize == 0)
        return UI_ERR_BUFFER;
    path[0] = '\0';
    Note(ps::Kind::FileSelect, title, filterList ? filterList : "",
         defaultDirectory ? defaultDirectory : "", defaultFileName ? defaultFileName : "");
    std::string chosen;
    int status;
    if (ps::Enabled()) {
        ps::Answer a = Take(VAL_NO_FILE_SELECTED);
        status = a.result;
        chosen = a.response;
        if (status <= 0)
            return status;
        if (status != VAL_EXISTING_FILE_SELECTED && status != VAL_NEW_FILE_SELECTED)
            return UI_ERR_RANGE;
    } else {
        if (!qApp)
            return UI_ERR_NO_APP;
        // "*.spc;*.txt" offers each pattern as its own filter, then all files.
        QStringList filters;
        for (const QString& f : Q(filterList).split(';', Qt::SkipEmptyParts))
            filters << f.trimmed();
        filters << "*";
        QFileDialog dlg(DialogParent(), Q(title), Q(defaultDirectory));
        dlg.setNameFilters(filters);
        const bool save = buttonLabel == VAL_SAVE_BUTTON;
        dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        if (defaultFileName && *defaultFileName)
            dlg.selectFile(Q(defaultFileName));
        do {
            if (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty())
                break;
            if (allowCancel)
                return VAL_NO_FILE_SELECTED;
        } while (true);
        chosen = QDir::toNativeSeparators(dlg.selectedFiles().first()).toStdString();
        status = QFileInfo::exists(dlg.selectedFiles().first()) ? VAL_EXISTING_FILE_SELECTED
                                                                : VAL_NEW_FILE_SELECTED;
    }
    if (chosen.empty())
        return UI_ERR_RANGE;
    // A path that does not fit is an error, never a silently shortened name.
    if (chosen.size() + 1 > pathSize)
        return Fail(UI_ERR_BUFFER, "selected path too long");
    std::memcpy(path, chosen.c_str(), chosen.size() + 1);
    return status;
}

int RunModalPanel(int panel, const std::vector<int>& controls) {
    PanelRec* p = Panel(panel);
    if (!p)
        return NoPanel(panel);
    Note(ps::Kind::ModalPanel, p->w->windowTitle().toUtf8().constData(), p->name.toStdString());
    if (ps::Enabled()) {
        int r = Take(0).result;
        if (r == 0)
            return 0;
        if (std::find(controls.begin(), controls.end(), r) == controls.end() || !Ctrl(panel, r))
            return Fail(UI_ERR_CONTROL,
                        "the scripted answer is no control of " + p->name.toStdString());
        Invoke(panel, r, EVENT_COMMIT, 0, 0);
        return r;
    }
    if (!qApp)
        return UI_ERR_NO_APP;
    const bool wasPopup = p->popup;
    InstallPopup(panel);
    ModalWait wait;
    wait.panel = panel;
    wait.controls = controls;
    QEventLoop loop;
    wait.loop = &loop;
    S().modal.push_back(&wait);
    loop.exec();
    S().modal.erase(std::remove(S().modal.begin(), S().modal.end(), &wait), S().modal.end());
    if (!wasPopup && Panel(panel))
        RemovePopup(panel);
    return wait.result < 0 ? 0 : wait.result;
}

int uiimpl::ScriptedPopupMenu(const std::string& title) {
    Note(ps::Kind::PopupMenu, title.c_str(), "");
    return Take(0).result;
}

bool uiimpl::ScriptedPrint(const std::string& what, std::string* pdfPath) {
    Note(ps::Kind::Print, "Print", what);
    ps::Answer a = Take(0);
    if (a.result != 1 || a.response.empty())
        return false;
    *pdfPath = a.response;
    return true;
}
