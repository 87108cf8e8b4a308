// CSV link with 2048 spectrum rows, at 250, 1000 and 5000 columns:
// - GuiThreadPerColumn: what a column costs the user interface thread (the
//   column prepared and queued for the writer's thread, which meanwhile
//   rewrites the table); flat, whatever the table's size.
// - RewriteOneColumn: one rewrite of the table with one more column (read,
//   checked, written whole and synced), the writer thread's work, and what
//   every column cost the user interface thread when it wrote the table
//   itself.
// - ContinuousRun: 20 scans 300 ms apart, the shortest scan period: the
//   longest a column held the user interface thread (wall clock, and its own
//   processor time, which a busy machine does not stretch), and how many
//   scans the file fell behind at most.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <thread>
#include <vector>

#include "files/csv_table.h"
#include "files/csv_writer.h"
#include "support/atomic_file.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRows = 2048;

struct Fixture {
    std::vector<double> x, y;
    csvtable::Column column;
};

Fixture& Shown() {
    static Fixture f = [] {
        Fixture f;
        f.x.resize(kRows);
        f.y.resize(kRows);
        for (int i = 0; i < kRows; ++i) {
            f.x[i] = 300.0 + 0.35 * i;
            f.y[i] = 1000.0 + 37.25 * i;
        }
        csvtable::Column& c = f.column;
        c.options = {true, true, true};
        c.modeName = "PeakWidth";
        c.markers[0] = {12.5, 546.07};
        c.evalCase = csvtable::EvalCase::A;
        c.width = 1.234;
        c.threshold = 50;
        c.domWave = 546.1;
        c.curveLabel = "transmission:";
        c.x = f.x.data();
        c.y = f.y.data();
        c.points = kRows;
        return f;
    }();
    return f;
}

// A table of `columns` columns in a folder of its own: its text and what the
// link knows of it.
struct Table {
    fs::path dir;
    std::string path, text;
    csvtable::Table known;
    explicit Table(int columns) {
        dir = fs::temp_directory_path() /
              ("bench_csv_" + std::to_string(getpid()) + "_" + std::to_string(columns));
        fs::create_directories(dir);
        path = (dir / "table.csv").string();
        const csvtable::Column& c = Shown().column;
        const std::string created = csvtable::Create(c, &known);
        csvtable::Cells cells;
        std::string one, error;
        csvtable::Prepare(&known, c, &cells, &error);
        csvtable::Append(created, {&cells, 1}, &one, &error);
        // Every row's one cell, `columns` times.
        text.reserve(one.size() * static_cast<std::size_t>(columns));
        for (std::size_t at = 0; at < one.size();) {
            const std::size_t end = one.find('\n', at);
            const std::string_view row(one.data() + at, end - at);
            at = end + 1;
            const std::size_t label = row.find(';');
            if (label != std::string_view::npos) {
                text += row.substr(0, label + 1);
                for (int i = 0; i < columns; ++i)
                    text += row.substr(label + 1);
            }
            text += '\n';
        }
        known.layout.columns = columns;
        support::WriteFileAtomic(path, text);
    }
    ~Table() { fs::remove_all(dir); }
};

void Args(benchmark::internal::Benchmark* b) {
    b->Arg(250)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime();
}

void GuiThreadPerColumn(benchmark::State& state) {
    Table t(static_cast<int>(state.range(0)));
    csvtable::Writer writer;
    writer.Open(t.path, t.known.layout.columns, nullptr);
    for (auto _ : state) {
        csvtable::Cells cells;
        std::string error;
        if (!csvtable::Prepare(&t.known, Shown().column, &cells, &error))
            state.SkipWithError(error.c_str());
        writer.Add(std::move(cells));
    }
    int lost = 0;
    if (!writer.Close(&lost).empty())
        state.SkipWithError("a rewrite failed");
    state.counters["file_MB"] = static_cast<double>(fs::file_size(t.path)) / 1e6;
}
BENCHMARK(GuiThreadPerColumn)->Apply(Args)->Iterations(50);

void RewriteOneColumn(benchmark::State& state) {
    Table t(static_cast<int>(state.range(0)));
    csvtable::Cells cells;
    std::string error;
    csvtable::Prepare(&t.known, Shown().column, &cells, &error);
    for (auto _ : state) {
        state.PauseTiming();
        support::WriteFileAtomic(t.path, t.text);
        state.ResumeTiming();
        if (csvtable::AppendToFile(t.path, {&cells, 1}, &error) != csvtable::AppendResult::Added)
            state.SkipWithError(error.c_str());
    }
    state.counters["file_MB"] = static_cast<double>(t.text.size()) / 1e6;
}
BENCHMARK(RewriteOneColumn)->Apply(Args)->Iterations(5);

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return 1e3 * static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_nsec);
}

void ContinuousRun(benchmark::State& state) {
    constexpr int kScans = 20;
    constexpr auto kPeriod = std::chrono::milliseconds(300);
    Table t(static_cast<int>(state.range(0)));
    csvtable::Writer writer;
    writer.Open(t.path, t.known.layout.columns, nullptr);
    double longest = 0, longestCpu = 0, sumCpu = 0, behind = 0, flush = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        for (int i = 0; i < kScans; ++i) {
            std::this_thread::sleep_until(start + kPeriod * i);
            // The scans whose columns are not yet in the file.
            behind =
                std::max(behind, static_cast<double>(t.known.layout.columns - writer.Written()));
            const auto t0 = Clock::now();
            const double cpu0 = ThreadCpuMs();
            csvtable::Cells cells;
            std::string error;
            csvtable::Prepare(&t.known, Shown().column, &cells, &error);
            writer.Add(std::move(cells));
            longest = std::max(
                longest, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
            longestCpu = std::max(longestCpu, ThreadCpuMs() - cpu0);
            sumCpu += ThreadCpuMs() - cpu0;
        }
        const auto f0 = Clock::now();
        writer.Flush();
        flush = std::chrono::duration<double>(Clock::now() - f0).count();
    }
    int lost = 0;
    if (!writer.Close(&lost).empty())
        state.SkipWithError("a rewrite failed");
    state.counters["gui_ms_longest"] = longest;
    state.counters["gui_cpu_ms_longest"] = longestCpu;
    state.counters["gui_cpu_ms_mean"] = sumCpu / kScans;
    state.counters["scans_behind_most"] = behind;
    state.counters["flush_s"] = flush;
}
BENCHMARK(ContinuousRun)
    ->Arg(1000)
    ->Arg(5000)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace

BENCHMARK_MAIN();
