// CSV link: adding the 500th column to a table of 2048 spectrum rows (read,
// checked, rewritten whole through the atomic writer), against copying a
// file of the same size through the same writer and with a plain copy.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "files/csv_table.h"
#include "support/atomic_file.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRows = 2048;

struct Table {
    fs::path dir;
    std::string path;
    std::string text; // the table of 499 columns
    csvtable::Layout layout;
    std::vector<double> x, y;
    csvtable::Column column;
};

Table& Fixture() {
    static Table t = [] {
        Table t;
        t.dir = fs::temp_directory_path() / ("bench_csv_" + std::to_string(getpid()));
        fs::create_directories(t.dir);
        t.path = (t.dir / "table.csv").string();
        t.x.resize(kRows);
        t.y.resize(kRows);
        for (int i = 0; i < kRows; ++i) {
            t.x[i] = 300.0 + 0.35 * i;
            t.y[i] = 1000.0 + 37.25 * i;
        }
        t.column.options = {true, true, true};
        t.column.curveLabel = "transmission:";
        t.column.x = t.x.data();
        t.column.y = t.y.data();
        t.column.points = kRows;
        t.text = csvtable::Create(t.column.options, t.x.data(), kRows, &t.layout);
        for (int i = 0; i < 499; ++i) {
            std::string next, error;
            csvtable::Append(t.text, t.layout, t.column, &next, &t.layout, &error);
            t.text = std::move(next);
        }
        return t;
    }();
    return t;
}

void BM_Append500thColumn(benchmark::State& state) {
    Table& t = Fixture();
    std::string error;
    for (auto _ : state) {
        state.PauseTiming();
        support::WriteFileAtomic(t.path, t.text, &error);
        csvtable::Layout next;
        state.ResumeTiming();
        if (csvtable::AppendToFile(t.path, t.layout, t.column, &next, &error) !=
            csvtable::AppendResult::Added)
            state.SkipWithError(error.c_str());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(t.text.size()));
}
BENCHMARK(BM_Append500thColumn)->Unit(benchmark::kMillisecond);

// Read and write back a file of the table's size through the atomic writer.
void BM_AtomicCopySameSize(benchmark::State& state) {
    Table& t = Fixture();
    const std::string source = (t.dir / "source.csv").string();
    support::WriteFileAtomic(source, t.text);
    const std::string target = (t.dir / "copy.csv").string();
    for (auto _ : state) {
        std::ifstream in(source, std::ios::binary);
        std::ostringstream whole;
        whole << in.rdbuf();
        support::WriteFileAtomic(target, whole.str());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(t.text.size()));
}
BENCHMARK(BM_AtomicCopySameSize)->Unit(benchmark::kMillisecond);

// The file system's own copy, without sync.
void BM_PlainCopySameSize(benchmark::State& state) {
    Table& t = Fixture();
    const std::string source = (t.dir / "source.csv").string();
    support::WriteFileAtomic(source, t.text);
    const fs::path target = t.dir / "plain.csv";
    for (auto _ : state)
        fs::copy_file(source, target, fs::copy_options::overwrite_existing);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(t.text.size()));
}
BENCHMARK(BM_PlainCopySameSize)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(Fixture().dir);
    return 0;
}
