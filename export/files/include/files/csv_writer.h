// The file of a CSV link and the thread that writes its columns.  Every
// column rewrites the whole table, which takes tens of milliseconds for a
// table of a thousand spectra and grows with it: too long for the user
// interface thread between the scans of a continuous run.  Columns are
// prepared on the caller's thread and queued; the thread adds every column
// queued so far in one rewrite, in order, through the atomic writer, so the
// file is whole at every moment and at most two rewrites behind.  After a
// failed rewrite nothing more is written; the columns it could not add stay
// counted until the link ends.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "files/csv_table.h"
#include "support/save_worker.h"

namespace csvtable {

class Writer {
  public:
    // Starts adding columns to the table file at `path`, which holds
    // `columns` columns.  `failed` is called on the writer's thread when a
    // rewrite fails; it must only hand the news on (to the user interface).
    void Open(const std::string& path, int columns, std::function<void()> failed);
    // True once a rewrite failed: nothing more reaches the file.
    bool Failed() const;
    // Queues the next column.
    void Add(Cells column);
    // Waits until every queued column is in the file, or a rewrite failed
    // and `failed` was called.
    void Flush();
    // Columns in the file now.
    int Written() const;
    // Waits for the last rewrite and ends the writer.  "" when every column
    // reached the file; otherwise why not, with the number of columns that
    // did not in *lost.
    std::string Close(int* lost);

    Writer() = default;
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    ~Writer() { worker_.Stop(true); }

  private:
    bool Rewrite(std::string* error);

    std::string path_;
    mutable std::mutex mutex_;
    std::vector<Cells> queued_;
    int written_ = 0;
    bool failed_ = false;
    support::SaveWorker worker_; // last: ends before the queue goes
};

} // namespace csvtable
