// A workbook of the spreadsheet-file link and the thread that saves it.
// Writing a whole .xlsx of a few thousand long columns takes seconds, longer
// than the shortest continuous scan period; saving on the user interface
// thread would stall the measurements and the window.  The cells are written
// on the caller's thread; each Commit asks the saver thread to write the book
// as it is then (a copy that shares the book's columns until they change).
// Commits that arrive while a save runs are folded into the next save.  After
// each save the thread rests a quarter longer than that save took, so it
// stays under half a core however large the book grows; a column committed
// is on disk by the end of the second save after it at the latest.  Flush and
// Close skip the rest.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "book/book.h"

class SheetSaver {
  public:
    // Saves the new book once, on the calling thread; false (with *error)
    // when that first save fails, and nothing is kept.
    bool Open(book::Book book, const std::string& path, std::string* error);
    // Saves what is pending, waits for it and forgets the book.
    void Close();
    // Ends the saver without another save and hands back the book, for the
    // caller to keep elsewhere.
    book::Book Release();
    bool IsOpen() const { return open_; }
    const std::string& Path() const { return path_; }

    // Changes the book (on the caller's thread, never during a copy).
    void Edit(const std::function<void(book::Book&)>& change);
    // Saves the book as it is now, in the background.
    void Commit();
    // Waits until every commit is on disk.
    void Flush();
    // The first save failure since the last call ("" when none): the file on
    // disk then lacks the columns of that save and later ones.
    std::string TakeError();
    // Called on the saver thread when a save fails and no failure is waiting
    // to be taken, without the saver's lock (it may call TakeError); it must
    // only hand the news on (to the user interface).
    void OnFailure(std::function<void()> notify);

    ~SheetSaver();

  private:
    void Run();
    void Stop(bool saveFirst);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::thread thread_;
    book::Book book_{book::Kind::Xlsx};
    std::string path_;
    std::string error_;
    std::function<void()> notify_;
    std::chrono::steady_clock::time_point restUntil_;
    int flushing_ = 0;
    bool open_ = false;
    bool dirty_ = false;
    bool busy_ = false;
    bool quit_ = false;
    bool abandon_ = false;
};
