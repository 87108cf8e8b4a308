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
// Close skip the rest.  After a failed save nothing more is saved.
#pragma once

#include <functional>
#include <mutex>
#include <string>

#include "book/book.h"
#include "support/save_worker.h"

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
    bool IsOpen() const { return worker_.Running(); }
    const std::string& Path() const { return path_; }

    // Changes the book (on the caller's thread, never during a copy).
    void Edit(const std::function<void(book::Book&)>& change);
    // Saves the book as it is now, in the background.
    void Commit();
    // Waits until every commit is on disk, or a save failed.
    void Flush();
    // The first save failure since the last call ("" when none): the file on
    // disk then lacks the columns of that save and later ones.
    std::string TakeError();
    // Called on the saver thread when a save fails, without the saver's lock
    // (it may call TakeError); it must only hand the news on (to the user
    // interface).  Takes effect at the next Open.
    void OnFailure(std::function<void()> notify);

    ~SheetSaver();

  private:
    bool SaveCopy(std::string* error);

    std::mutex mutex_; // the book, between Edit and the saver's copy
    book::Book book_{book::Kind::Xlsx};
    std::string path_;
    std::function<void()> notify_;
    support::SaveWorker worker_; // last: ends before the book goes
};
