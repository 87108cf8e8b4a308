// A workbook of the spreadsheet-file link and the thread that saves it.
// Writing a whole .xlsx of a few hundred long columns takes about a second,
// longer than the shortest continuous scan period; saving on the user
// interface thread would stall the measurements and the window.  The cells
// are written on the caller's thread; each Commit asks the saver thread to
// write a copy of the book as it is then.  Commits that arrive while a save
// runs are folded into the next save, so the file on disk trails the book by
// at most one save and is always a whole workbook.
#pragma once

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
    // Waits for the last save and forgets the book.
    void Close();
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

    ~SheetSaver();

  private:
    void Run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::thread thread_;
    book::Book book_{book::Kind::Xlsx};
    std::string path_;
    std::string error_;
    bool open_ = false;
    bool dirty_ = false;
    bool busy_ = false;
    bool quit_ = false;
};
