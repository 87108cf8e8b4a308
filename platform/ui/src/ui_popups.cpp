// Modal dialogs through one seam: real dialogs, or scripted answers in tests.
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <cstring>
#include <deque>

#include "support/file_name.h"
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
    if (NoDialogWaits())
        return -1;
    QInputDialog dlg(DialogParent());
    dlg.setWindowTitle(Q(title));
    // A password field is never left without words beside it.
    const bool bare = !message || !*message;
    dlg.setLabelText(bare && kind == ps::Kind::Password ? QStringLiteral("Password:") : Q(message));
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

void uiimpl::EndDialogs() {
    for (ModalWait* m : S().modal)
        EndModalWait(m);
    if (!qApp)
        return;
    for (int i = 0; i < 16 && QApplication::activePopupWidget(); ++i)
        QApplication::activePopupWidget()->close();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible())
            dialog->reject();
}

int DialogWaiting() {
    if (!S().modal.empty())
        return 1;
    if (!qApp)
        return 0;
    if (QApplication::activePopupWidget() != nullptr)
        return 1;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible())
            return 1;
    return 0;
}

void uiimpl::NotePopup(int kind, const char* title, const std::string& text) {
    Note(static_cast<ps::Kind>(kind), title, text);
}

int MessagePopup(const char* title, const char* message) {
    Note(ps::Kind::Message, title, message ? message : "");
    if (ps::Enabled())
        return 0;
    if (!qApp)
        return UI_ERR_NO_APP;
    if (NoDialogWaits())
        return 0;
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
    if (NoDialogWaits())
        return 0;
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
    if (NoDialogWaits())
        return 1;
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

namespace {

// The patterns of one filter: "Name (*.a *.b)" or "*.a *.b".
QStringList FilterPatterns(const QString& filter) {
    const qsizetype open = filter.lastIndexOf('('), close = filter.lastIndexOf(')');
    const QString list =
        open >= 0 && close > open ? filter.mid(open + 1, close - open - 1) : filter;
    return list.split(' ', Qt::SkipEmptyParts);
}

// What the file chooser shows: one filter per entry of the list ("Name
// (*.a *.b)" or a bare "*.a"); several bare patterns also together, first.
QStringList ChooserFilters(const char* filterList) {
    QStringList filters, bare;
    for (const QString& f : Q(filterList).split(';', Qt::SkipEmptyParts)) {
        const QString t = f.trimmed();
        if (t.isEmpty())
            continue;
        filters << t;
        if (!t.contains('('))
            bare << t;
    }
    if (bare.size() > 1 && bare.size() == filters.size())
        filters.prepend(bare.join(' '));
    const bool all = std::any_of(filters.begin(), filters.end(), [](const QString& f) {
        const QStringList p = FilterPatterns(f);
        return p.contains("*") || p.contains("*.*");
    });
    if (!all)
        filters << "All files (*)";
    return filters;
}

// The filter of the kind asked for: the first whose patterns take the
// default name ("*.xls" or "book.xls"); the first filter when none does.
QString PreselectedFilter(const QStringList& filters, const QString& defaultName) {
    const QString name = defaultName.trimmed();
    const bool anything = name.isEmpty() || name == "*" || name == "*.*";
    if (!anything)
        for (const QString& f : filters)
            for (const QString& p : FilterPatterns(f))
                if (p.compare(name, Qt::CaseInsensitive) == 0 ||
                    (!name.contains('*') && QDir::match(p, name)))
                    return f;
    return filters.isEmpty() ? QString() : filters.first();
}

// The extensions a filter names ("*.csv" gives ".csv"; "*" none).
std::vector<std::string> FilterExtensions(const QString& filter) {
    std::vector<std::string> out;
    for (const QString& p : FilterPatterns(filter)) {
        const QString ext = p.mid(1);
        if (p.startsWith("*.") && ext.size() > 1 && !ext.contains('*') && !ext.contains('?'))
            out.push_back(ext.toStdString());
    }
    return out;
}

// A save chooser settles the final name itself, before it asks whether to
// replace a file that is there: the question is about the file written.
// The extensions are those of the filter chosen, else those of the kind the
// chooser was opened for.
class SaveChooser : public QFileDialog {
  public:
    SaveChooser(QWidget* parent, const QString& title, const QString& folder,
                std::vector<std::string> kind)
        : QFileDialog(parent, title, folder), kind_(std::move(kind)) {}

    void accept() override {
        auto* edit = findChild<QLineEdit*>("fileNameEdit");
        const QString typed = edit != nullptr ? edit->text() : QString();
        // A folder typed is opened, as the chooser always did.
        if (acceptMode() == AcceptSave && !typed.trimmed().isEmpty() && !typed.contains('"') &&
            !QFileInfo(QDir(directory()).absoluteFilePath(typed)).isDir()) {
            const std::vector<std::string> ext = FilterExtensions(selectedNameFilter());
            const QString named = QString::fromStdString(
                support::SaveName(typed.toStdString(), ext.empty() ? kind_ : ext));
            if (named != typed)
                edit->setText(named);
        }
        QFileDialog::accept();
    }

  private:
    std::vector<std::string> kind_;
};

// An absolute folder that exists, else the user's home: never the working
// folder nor the program's.
QString StartFolder(const char* directory) {
    const QString d = Q(directory);
    if (!d.isEmpty() && QDir::isAbsolutePath(d) && QFileInfo(d).isDir())
        return QDir::cleanPath(d);
    return QDir::homePath();
}

} // namespace

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
    const QStringList filters = ChooserFilters(filterList);
    const QString name = Q(defaultFileName).trimmed();
    const QString preselected = PreselectedFilter(filters, name);
    // Load and Select want a file that is there; Save and OK make one (a new
    // name is taken, an existing one asks before it is replaced).
    const bool save = buttonLabel == VAL_SAVE_BUTTON || buttonLabel == VAL_OK_BUTTON;
    const std::vector<std::string> kind =
        save ? FilterExtensions(preselected) : std::vector<std::string>{};
    if (ps::Enabled()) {
        ps::Answer a = Take(VAL_NO_FILE_SELECTED);
        status = a.result;
        chosen = a.response.empty() ? a.response : support::SaveName(a.response, kind);
        if (status <= 0)
            return status;
        if (status != VAL_EXISTING_FILE_SELECTED && status != VAL_NEW_FILE_SELECTED)
            return UI_ERR_RANGE;
    } else {
        if (!qApp)
            return UI_ERR_NO_APP;
        if (NoDialogWaits())
            return VAL_NO_FILE_SELECTED;
        // Always the toolkit's own chooser, so it looks and acts the same on
        // every desktop.
        SaveChooser dlg(DialogParent(), Q(title), StartFolder(defaultDirectory), kind);
        dlg.setOption(QFileDialog::DontUseNativeDialog);
        dlg.setNameFilters(filters);
        dlg.selectNameFilter(preselected);
        dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        if (buttonLabel == VAL_OK_BUTTON)
            dlg.setLabelText(QFileDialog::Accept, "OK");
        else if (buttonLabel == VAL_SELECT_BUTTON)
            dlg.setLabelText(QFileDialog::Accept, "Select");
        // A pattern is the filter's business, not a name to offer.
        if (!name.isEmpty() && !name.contains('*') && !name.contains('?'))
            dlg.selectFile(name);
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
    if (NoDialogWaits())
        return 0;
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
