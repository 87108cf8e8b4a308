// A thread that saves one file of its owner in the background, so that a
// large file never stalls the user interface thread.  The owner hands its
// data over under its own lock and calls Request(); the thread then calls the
// owner's save function, outside every lock of its own.  Requests that arrive
// while a save runs are served together by the next save, so the file is at
// most two saves behind the last request.  After a failed save the thread
// saves nothing more: the owner is told (on the thread), takes the error and
// ends the worker.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace support {

class SaveWorker {
  public:
    // save: writes the file as the owner holds it now; false with *error when
    // it could not.  failed: called on the thread once, after the first failed
    // save; it must only hand the news on.  rest: after each save the thread
    // waits `rest` times as long as that save took (Flush and Stop cut it
    // short), which bounds its share of a core.
    void Start(std::function<bool(std::string* error)> save, std::function<void()> failed,
               double rest = 0.0);
    // One more save of what the owner holds now.
    void Request();
    // Waits until every request is saved, or a save failed and the owner was
    // told (so the news is on its way when Flush returns).
    void Flush();
    // Ends the thread: a pending request is saved first unless `saveFirst` is
    // false.  Does nothing when the worker is not running.
    void Stop(bool saveFirst);
    bool Running() const { return running_; }
    // The failure of the save that failed ("" when none), once.
    std::string TakeError();

    SaveWorker() = default;
    SaveWorker(const SaveWorker&) = delete;
    SaveWorker& operator=(const SaveWorker&) = delete;
    ~SaveWorker() { Stop(true); }

  private:
    void Run();

    std::function<bool(std::string*)> save_;
    std::function<void()> failed_;
    double rest_ = 0.0;
    std::mutex mutex_;
    std::condition_variable wake_, idle_;
    std::thread thread_;
    std::string error_;
    std::chrono::steady_clock::time_point restUntil_;
    int flushing_ = 0;
    bool running_ = false;
    bool pending_ = false, busy_ = false, broken_ = false, quit_ = false, abandon_ = false;
    bool told_ = false; // the failure was handed to `failed_`
};

} // namespace support
