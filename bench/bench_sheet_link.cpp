// XLS link: what the 250th column of 2048 values costs the measuring thread
// (cells written and the save handed to the saver thread) and how long until
// the workbook on disk holds it. Compare both with the shortest continuous
// scan period, 300 ms.  Then a long run's figures: the memory a column takes
// against its 2048 doubles, and the share of a core the saver thread takes
// while a column arrives every 300 ms, at 250, 1000 and 2000 columns.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <malloc.h>
#include <string>
#include <thread>
#include <unistd.h>

#include "export/sheet_saver.h"

namespace {

constexpr int kRows = 2048;

void WriteColumn(book::Book& b, int col) {
    b.WriteStr(0, 1, col, "Spectrum " + std::to_string(col));
    b.WriteStr(0, 2, col, "absorbance");
    b.WriteStr(0, 3, col, "5.3.2026 14:07:" + std::to_string(col % 60));
    b.WriteNum(0, 4, col, 12.345);
    // As the column writer does: the spectrum in one block.
    double values[kRows];
    for (int i = 0; i < kRows; ++i)
        values[i] = 0.5 + 0.4 * std::sin(0.01 * i + col);
    b.WriteNums(0, 6, col, values, kRows);
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

double CpuSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Heap bytes one more column of 2048 values and its four header cells keep,
// against the 16 KiB of its values as plain doubles.
void MemoryPerColumn(benchmark::State& state) {
    constexpr int kColumns = 500;
    double perColumn = 0.0;
    for (auto _ : state) {
        const auto before = mallinfo2().uordblks;
        {
            book::Book b(book::Kind::Xlsx);
            b.AddSheet("Sheet1");
            for (int col = 0; col < kColumns; ++col)
                WriteColumn(b, col);
            perColumn = static_cast<double>(mallinfo2().uordblks - before) / kColumns;
        }
    }
    state.counters["bytes_per_column"] = perColumn;
    state.counters["ratio_to_doubles"] = perColumn / (kRows * sizeof(double));
}
BENCHMARK(MemoryPerColumn)->Unit(benchmark::kMillisecond)->Iterations(1);

// A continuous run at the shortest scan period: 40 columns, one every 300 ms on
// this thread, saved by the saver thread.  saver_cpu_share is the CPU time of
// every thread but this one over the wall time; flush_s how long the last
// column took to reach the disk after the run.
void SaverCpuShare(benchmark::State& state) {
    namespace fs = std::filesystem;
    const int columns = static_cast<int>(state.range(0));
    constexpr int kRunColumns = 40;
    const fs::path dir =
        fs::temp_directory_path() / ("orvalin_bench_share_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string file = (dir / "t.xlsx").string();
    book::Book b(book::Kind::Xlsx);
    b.AddSheet("Sheet1");
    for (int col = 0; col < columns - kRunColumns; ++col)
        WriteColumn(b, col);
    SheetSaver saver;
    std::string error;
    if (!saver.Open(std::move(b), file, &error))
        state.SkipWithError(error.c_str());
    double share = 0.0, flush = 0.0;
    // The run is measured from the end of a save, over several saves.
    saver.Edit([&](book::Book& bk) { WriteColumn(bk, columns - kRunColumns); });
    saver.Commit();
    saver.Flush();
    for (auto _ : state) {
        const double cpu0 =
            CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < kRunColumns; ++i) {
            const int col = columns - kRunColumns + i;
            saver.Edit([col](book::Book& bk) { WriteColumn(bk, col); });
            saver.Commit();
            std::this_thread::sleep_until(t0 + std::chrono::milliseconds(300 * (i + 1)));
        }
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        share =
            (CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - cpu0) /
            wall;
        const auto f0 = std::chrono::steady_clock::now();
        saver.Flush();
        flush = std::chrono::duration<double>(std::chrono::steady_clock::now() - f0).count();
    }
    if (!saver.TakeError().empty())
        state.SkipWithError("save failed");
    saver.Close();
    state.counters["saver_cpu_share"] = share;
    state.counters["flush_s"] = flush;
    fs::remove_all(dir);
}
BENCHMARK(SaverCpuShare)
    ->Arg(250)
    ->Arg(1000)
    ->Arg(2000)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace
