#include "export/sheet_saver.h"

#include <utility>

bool SheetSaver::Open(book::Book book, const std::string& path, std::string* error) {
    Close();
    if (!book.Save(path)) {
        *error = book.Error();
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        book_ = std::move(book);
        path_ = path;
    }
    // A quarter more rest than work keeps the share under half a core
    // whatever the window it is measured over.
    worker_.Start([this](std::string* failure) { return SaveCopy(failure); }, notify_, 1.25);
    return true;
}

bool SheetSaver::SaveCopy(std::string* error) {
    std::unique_lock<std::mutex> lock(mutex_);
    book::Book copy = book_;
    lock.unlock();
    const bool saved = copy.Save(path_);
    if (!saved)
        *error = copy.Error();
    // The copy's columns are let go under the lock: the book only writes in
    // place into columns no copy holds.
    lock.lock();
    copy = book::Book(book::Kind::Xlsx);
    return saved;
}

void SheetSaver::Close() {
    worker_.Stop(true);
    book_ = book::Book(book::Kind::Xlsx);
}

book::Book SheetSaver::Release() {
    worker_.Stop(false);
    return std::exchange(book_, book::Book(book::Kind::Xlsx));
}

SheetSaver::~SheetSaver() {
    Close();
}

void SheetSaver::Edit(const std::function<void(book::Book&)>& change) {
    std::lock_guard<std::mutex> lock(mutex_);
    change(book_);
}

void SheetSaver::Commit() {
    worker_.Request();
}

void SheetSaver::Flush() {
    worker_.Flush();
}

std::string SheetSaver::TakeError() {
    return worker_.TakeError();
}

void SheetSaver::OnFailure(std::function<void()> notify) {
    notify_ = std::move(notify);
}
