#include "export/sheet_saver.h"

#include <utility>

bool SheetSaver::Open(book::Book book, const std::string& path, std::string* error) {
    Close();
    if (!book.Save(path)) {
        *error = book.Error();
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    book_ = std::move(book);
    path_ = path;
    error_.clear();
    dirty_ = busy_ = quit_ = false;
    open_ = true;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void SheetSaver::Close() {
    if (!open_)
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
    open_ = false;
    book_ = book::Book(book::Kind::Xlsx);
}

SheetSaver::~SheetSaver() {
    Close();
}

void SheetSaver::Edit(const std::function<void(book::Book&)>& change) {
    std::lock_guard<std::mutex> lock(mutex_);
    change(book_);
}

void SheetSaver::Commit() {
    if (!open_)
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        dirty_ = true;
    }
    wake_.notify_all();
}

void SheetSaver::Flush() {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return !open_ || (!dirty_ && !busy_); });
}

std::string SheetSaver::TakeError() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(error_, std::string());
}

void SheetSaver::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return dirty_ || quit_; });
        // A pending commit is saved before the thread ends.
        if (!dirty_)
            break;
        book::Book copy = book_;
        dirty_ = false;
        busy_ = true;
        lock.unlock();
        const bool saved = copy.Save(path_);
        lock.lock();
        busy_ = false;
        if (!saved && error_.empty())
            error_ = copy.Error();
        idle_.notify_all();
    }
    idle_.notify_all();
}
