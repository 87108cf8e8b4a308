// XLS link: what the 250th column of 2048 values costs the measuring thread
// (cells written and the save handed to the saver thread) and how long until
// the workbook on disk holds it. Compare both with the shortest continuous
// scan period, 300 ms.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "export/sheet_saver.h"

namespace {

constexpr int kRows = 2048;

void WriteColumn(book::Book& b, int col) {
    b.WriteStr(0, 1, col, "Spectrum " + std::to_string(col));
    b.WriteStr(0, 2, col, "absorbance");
    b.WriteStr(0, 3, col, "5.3.2026 14:07:" + std::to_string(col % 60));
    b.WriteNum(0, 4, col, 12.345);
    for (int i = 0; i < kRows; ++i)
        b.WriteNum(0, 6 + i, col, 0.5 + 0.4 * std::sin(0.01 * i + col));
}

enum class Mode { Idle, DuringSave, OnDisk };

void Column250(benchmark::State& state, book::Kind kind, Mode mode) {
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() / ("orvalin_bench_sheet_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string file = (dir / (kind == book::Kind::Xls ? "t.xls" : "t.xlsx")).string();
    book::Book b(kind);
    b.AddSheet("Sheet1");
    for (int col = 0; col < 249; ++col)
        WriteColumn(b, col);
    SheetSaver saver;
    std::string error;
    if (!saver.Open(std::move(b), file, &error))
        state.SkipWithError(error.c_str());
    for (auto _ : state) {
        if (mode == Mode::DuringSave) {
            // The column before is still being saved (or copied for it).
            state.PauseTiming();
            saver.Commit();
            state.ResumeTiming();
        }
        saver.Edit([](book::Book& bk) { WriteColumn(bk, 249); });
        saver.Commit();
        if (mode == Mode::OnDisk) {
            saver.Flush();
        } else {
            state.PauseTiming();
            saver.Flush();
            state.ResumeTiming();
        }
    }
    if (!saver.TakeError().empty())
        state.SkipWithError("save failed");
    saver.Close();
    state.counters["file_MB"] = static_cast<double>(fs::file_size(file)) / 1e6;
    fs::remove_all(dir);
}

// The saves themselves are untimed in the measuring-thread figures; a fixed
// count keeps the run short.
void Args(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
}

BENCHMARK_CAPTURE(Column250, Xlsx_MeasuringThread, book::Kind::Xlsx, Mode::Idle)->Apply(Args);
BENCHMARK_CAPTURE(Column250, Xlsx_MeasuringThreadDuringSave, book::Kind::Xlsx, Mode::DuringSave)
    ->Apply(Args);
BENCHMARK_CAPTURE(Column250, Xlsx_OnDisk, book::Kind::Xlsx, Mode::OnDisk)->Apply(Args);
BENCHMARK_CAPTURE(Column250, Xls_MeasuringThread, book::Kind::Xls, Mode::Idle)->Apply(Args);
BENCHMARK_CAPTURE(Column250, Xls_MeasuringThreadDuringSave, book::Kind::Xls, Mode::DuringSave)
    ->Apply(Args);
BENCHMARK_CAPTURE(Column250, Xls_OnDisk, book::Kind::Xls, Mode::OnDisk)->Apply(Args);

} // namespace
