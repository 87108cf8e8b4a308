// Spreadsheet link: the cost of one more measurement column once the book
// already holds 249, each column of 2048 spectrum values plus its header
// texts, saved whole after the column. Compare with the shortest continuous
// scan period, 300 ms.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "book/book.h"

namespace {

constexpr int kRows = 2048;
constexpr int kFirstValueRow = 6;

void WriteColumn(book::Book& b, int col) {
    b.WriteStr(0, 1, col, "Spectrum " + std::to_string(col));
    b.WriteStr(0, 2, col, "absorbance");
    b.WriteStr(0, 3, col, "5.3.2026 14:07:09");
    b.WriteNum(0, 4, col, 12.345);
    for (int i = 0; i < kRows; ++i)
        b.WriteNum(0, kFirstValueRow + i, col, 0.5 + 0.4 * std::sin(0.01 * i + col));
}

void AppendColumn250(benchmark::State& state, book::Kind kind) {
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() / ("orvalin_bench_book_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string file = (dir / (kind == book::Kind::Xls ? "t.xls" : "t.xlsx")).string();
    book::Book b(kind);
    b.AddSheet("Sheet1");
    for (int col = 0; col < 249; ++col)
        WriteColumn(b, col);
    if (!b.Save(file))
        state.SkipWithError(b.Error().c_str());
    for (auto _ : state) {
        WriteColumn(b, 249);
        if (!b.Save(file)) {
            state.SkipWithError(b.Error().c_str());
            break;
        }
    }
    state.counters["file_MB"] = static_cast<double>(fs::file_size(file)) / 1e6;
    fs::remove_all(dir);
}

void BM_AppendColumn250_Xlsx(benchmark::State& s) {
    AppendColumn250(s, book::Kind::Xlsx);
}
void BM_AppendColumn250_Xls(benchmark::State& s) {
    AppendColumn250(s, book::Kind::Xls);
}

BENCHMARK(BM_AppendColumn250_Xlsx)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AppendColumn250_Xls)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
