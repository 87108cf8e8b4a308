// Tests answer the program's modal dialogs as the user does: the real
// dialog, found while it is open, filled in and closed through its widgets.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace ui_testing {

// Runs `call`; each time another modal dialog comes to the front while it
// runs (a file chooser, then its question, then the chooser again ...),
// `answer` gets it.  False when a dialog was still open after `seconds` (it
// is then cancelled, so a test fails rather than hangs).
inline bool Answering(const std::function<void()>& call,
                      const std::function<void(QWidget*)>& answer, int seconds = 20) {
    QPointer<QWidget> last;
    const auto alive = std::make_shared<bool>(true);
    QElapsedTimer since;
    since.start();
    bool late = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* w = QApplication::activeModalWidget();
        if (w != nullptr && since.elapsed() > seconds * 1000) {
            late = true;
            if (auto* d = qobject_cast<QDialog*>(w))
                d->reject();
            return;
        }
        if (w == nullptr || w == last || !w->isVisible())
            return;
        last = w;
        // Answered from a timer of its own: a dialog opened by the answer
        // runs its own loop, in which this poll goes on.
        QPointer<QWidget> now = w;
        QTimer::singleShot(0, w, [now, alive, &answer] {
            if (now && *alive)
                answer(now);
        });
    });
    poll.start();
    call();
    poll.stop();
    *alive = false; // a dialog that outlives the call is not answered later
    return !late;
}

// What a file chooser shows the user.
struct Chooser {
    bool save = false;     // takes a new name
    bool existing = false; // only a file that is there
    bool asksBeforeReplacing = false;
    QString folder;
    QString filter; // the one preselected
};

inline Chooser Settings(const QFileDialog& d) {
    Chooser c;
    c.save = d.acceptMode() == QFileDialog::AcceptSave;
    c.existing = d.fileMode() == QFileDialog::ExistingFile;
    c.asksBeforeReplacing = c.save && !d.testOption(QFileDialog::DontConfirmOverwrite);
    c.folder = QDir(d.directory()).absolutePath();
    c.filter = d.selectedNameFilter();
    return c;
}

// Types `name` into the chooser's name field; true when the chooser would
// take it (its accept button is enabled).
inline bool Type(QFileDialog& d, const QString& name) {
    auto* edit = d.findChild<QLineEdit*>("fileNameEdit");
    auto* box = d.findChild<QDialogButtonBox*>("buttonBox");
    if (edit == nullptr || box == nullptr)
        return false;
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, name);
    const QList<QAbstractButton*> buttons = box->buttons();
    for (QAbstractButton* b : buttons)
        if (box->buttonRole(b) == QDialogButtonBox::AcceptRole)
            return b->isEnabled();
    return false;
}

// Types `name` into the chooser's name field and presses Enter.
inline void TypeAndAccept(QFileDialog& d, const QString& name) {
    Type(d, name);
    if (auto* edit = d.findChild<QLineEdit*>("fileNameEdit"))
        QTest::keyClick(edit, Qt::Key_Return);
}

// Clicks `button` of a question.
inline void Click(QMessageBox& box, QMessageBox::StandardButton button) {
    if (QAbstractButton* b = box.button(button))
        QTest::mouseClick(b, Qt::LeftButton);
    else
        box.reject();
}

} // namespace ui_testing
