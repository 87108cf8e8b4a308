#include "files/csv_writer.h"

#include <iterator>
#include <utility>

namespace csvtable {

void Writer::Open(const std::string& path, int columns, std::function<void()> failed) {
    worker_.Stop(true);
    path_ = path;
    queued_.clear();
    written_ = columns;
    failed_ = false;
    // No rest between rewrites: they are mostly waiting for the disk, and a
    // rest would let the file fall further behind the scans.
    worker_.Start([this](std::string* error) { return Rewrite(error); }, std::move(failed));
}

bool Writer::Failed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return failed_;
}

void Writer::Add(Cells column) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queued_.push_back(std::move(column));
    }
    worker_.Request();
}

void Writer::Flush() {
    worker_.Flush();
}

int Writer::Written() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return written_;
}

std::string Writer::Close(int* lost) {
    worker_.Stop(true);
    std::lock_guard<std::mutex> lock(mutex_);
    *lost = static_cast<int>(queued_.size());
    queued_.clear();
    if (*lost == 0)
        return {};
    const std::string why = worker_.TakeError();
    return why.empty() ? "could not be written" : why;
}

bool Writer::Rewrite(std::string* error) {
    std::vector<Cells> batch;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        batch.swap(queued_);
    }
    std::string why;
    const AppendResult result = AppendToFile(path_, batch, &why);
    std::lock_guard<std::mutex> lock(mutex_);
    if (result == AppendResult::Added) {
        if (!batch.empty())
            written_ = batch.back().before.columns + 1;
        return true;
    }
    // The columns stay queued, ahead of any that came meanwhile, to be counted.
    queued_.insert(queued_.begin(), std::make_move_iterator(batch.begin()),
                   std::make_move_iterator(batch.end()));
    failed_ = true;
    switch (result) {
    case AppendResult::Unreadable:
        *error = "cannot be read any more: " + why;
        break;
    case AppendResult::Reshaped:
        *error = "was changed since the last column was added: " + why;
        break;
    default:
        *error = "could not be written: " + why;
        break;
    }
    return false;
}

} // namespace csvtable
