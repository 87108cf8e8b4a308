#include "support/save_worker.h"

#include <utility>

namespace support {

void SaveWorker::Start(std::function<bool(std::string*)> save, std::function<void()> failed,
                       double rest) {
    Stop(true);
    save_ = std::move(save);
    failed_ = std::move(failed);
    rest_ = rest;
    error_.clear();
    pending_ = busy_ = broken_ = quit_ = abandon_ = told_ = false;
    restUntil_ = {};
    running_ = true;
    thread_ = std::thread([this] { Run(); });
}

void SaveWorker::Request() {
    if (!running_)
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_ = true;
    }
    wake_.notify_all();
}

void SaveWorker::Flush() {
    std::unique_lock<std::mutex> lock(mutex_);
    ++flushing_;
    wake_.notify_all();
    idle_.wait(lock, [this] { return !running_ || (broken_ ? told_ : !pending_ && !busy_); });
    --flushing_;
}

void SaveWorker::Stop(bool saveFirst) {
    if (!running_)
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
        abandon_ = !saveFirst;
    }
    wake_.notify_all();
    thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = false;
    idle_.notify_all();
}

std::string SaveWorker::TakeError() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(error_, std::string());
}

void SaveWorker::Run() {
    using Clock = std::chrono::steady_clock;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return pending_ || quit_; });
        wake_.wait_until(lock, restUntil_, [this] { return quit_ || flushing_ > 0; });
        if (!pending_ || abandon_)
            break;
        pending_ = false;
        busy_ = true;
        lock.unlock();
        std::string error;
        const auto start = Clock::now();
        const bool saved = save_(&error);
        const auto end = Clock::now();
        lock.lock();
        busy_ = false;
        restUntil_ = end + std::chrono::duration_cast<Clock::duration>((end - start) * rest_);
        if (saved) {
            idle_.notify_all();
            continue;
        }
        broken_ = true;
        error_ = std::move(error);
        // Told outside the lock: the owner may take the error.
        lock.unlock();
        if (failed_)
            failed_();
        lock.lock();
        told_ = true;
        idle_.notify_all();
        // Nothing more is saved; the owner ends the worker.
        wake_.wait(lock, [this] { return quit_; });
        break;
    }
}

} // namespace support
