// Progress dialogs: shown while the program works on, closed by the program.
#include <QProgressDialog>
#include <algorithm>
#include <map>

#include "ui/popup_script.h"
#include "ui_internal.h"

using namespace uiimpl;

namespace {

std::map<int, QPointer<QProgressDialog>>& Dialogs() {
    static std::map<int, QPointer<QProgressDialog>> d;
    return d;
}
int g_next = 1;

QProgressDialog* Find(int dialog) {
    auto it = Dialogs().find(dialog);
    return it == Dialogs().end() ? nullptr : it->second.data();
}

} // namespace

int CreateProgressDialog(const char* title, const char* indicatorLabel, int modal,
                         const char* cancelText) {
    if (!qApp)
        return UI_ERR_NO_APP;
    NotePopup(static_cast<int>(popup_script::Kind::Progress), title,
              indicatorLabel ? indicatorLabel : "");
    QWidget* parent = nullptr;
    if (PanelRec* p = Panel(S().activePanel))
        parent = p->w->window();
    auto* dlg = new QProgressDialog(parent);
    dlg->setAttribute(Qt::WA_DeleteOnClose, false);
    dlg->setWindowTitle(QString::fromUtf8(title ? title : ""));
    dlg->setLabelText(QString::fromUtf8(indicatorLabel ? indicatorLabel : ""));
    if (cancelText && *cancelText)
        dlg->setCancelButtonText(QString::fromUtf8(cancelText));
    else
        dlg->setCancelButton(nullptr);
    dlg->setRange(0, 100);
    dlg->setValue(0);
    dlg->setMinimumDuration(0);
    dlg->setAutoClose(false);
    dlg->setAutoReset(false);
    dlg->setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
    dlg->show();
    const int handle = g_next++;
    Dialogs()[handle] = dlg;
    ProcessDrawEvents();
    return handle;
}

int UpdateProgressDialog(int dialog, int percent, int processEvents) {
    QProgressDialog* dlg = Find(dialog);
    if (!dlg)
        return UI_ERR_HANDLE;
    dlg->setValue(std::clamp(percent, 0, 100));
    if (processEvents)
        ProcessSystemEvents();
    return dlg->wasCanceled() ? 1 : 0;
}

int DiscardProgressDialog(int dialog) {
    auto it = Dialogs().find(dialog);
    if (it == Dialogs().end())
        return UI_ERR_HANDLE;
    if (QProgressDialog* dlg = it->second.data()) {
        dlg->hide();
        delete dlg;
    }
    Dialogs().erase(it);
    return 0;
}

int GetNumProgressDialogs() {
    int n = 0;
    for (const auto& [handle, dlg] : Dialogs())
        n += dlg ? 1 : 0;
    return n;
}
