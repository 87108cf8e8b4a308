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
    dirty_ = busy_ = quit_ = abandon_ = false;
    restUntil_ = {};
    open_ = true;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void SheetSaver::Stop(bool saveFirst) {
    if (!open_)
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
        abandon_ = !saveFirst;
    }
    wake_.notify_all();
    thread_.join();
    open_ = false;
}

void SheetSaver::Close() {
    Stop(true);
    book_ = book::Book(book::Kind::Xlsx);
}

book::Book SheetSaver::Release() {
    Stop(false);
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
    ++flushing_;
    wake_.notify_all();
    idle_.wait(lock, [this] { return !open_ || (!dirty_ && !busy_); });
    --flushing_;
}

std::string SheetSaver::TakeError() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(error_, std::string());
}

void SheetSaver::OnFailure(std::function<void()> notify) {
    std::lock_guard<std::mutex> lock(mutex_);
    notify_ = std::move(notify);
}

void SheetSaver::Run() {
    using Clock = std::chrono::steady_clock;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return dirty_ || quit_; });
        wake_.wait_until(lock, restUntil_, [this] { return quit_ || flushing_ > 0; });
        // A pending commit is saved before the thread ends, unless the book is
        // handed back instead.
        if (!dirty_ || abandon_)
            break;
        book::Book copy = book_;
        dirty_ = false;
        busy_ = true;
        lock.unlock();
        const auto start = Clock::now();
        const bool saved = copy.Save(path_);
        const auto end = Clock::now();
        lock.lock();
        const bool tell = !saved && error_.empty();
        if (!saved && error_.empty())
            error_ = copy.Error();
        // The copy's columns are let go under the lock: the book only writes
        // in place into columns no copy holds.
        copy = book::Book(book::Kind::Xlsx);
        // A quarter more rest than work keeps the share under half a core
        // whatever the window it is measured over.
        restUntil_ = end + (end - start) * 5 / 4;
        busy_ = false;
        idle_.notify_all();
        // Told without the lock: the news may be taken at once (TakeError).
        if (tell && notify_) {
            const std::function<void()> notify = notify_;
            lock.unlock();
            notify();
            lock.lock();
        }
    }
    busy_ = false;
    idle_.notify_all();
}
