// Speed of the spectral math on device-sized spectra and display-sized grids.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "zoltmath.h"

namespace {

constexpr int kPixels = 2048;

// A 200-1100 nm device: slightly curved pixel polynomial, lamp-like curve
// with a few absorption bands.
struct Device {
    std::vector<double> wl;
    std::vector<double> y;
    Device() : wl(kPixels), y(kPixels) {
        const double a2 = -2.0e-5;
        const double a1 = (900.0 - a2 * (kPixels - 1.0) * (kPixels - 1.0)) / (kPixels - 1.0);
        zoltmath_Fitpolynom(wl.data(), 200.0, a1, a2, 0.0, 0.0, kPixels);
        for (int i = 0; i < kPixels; ++i) {
            const double l = wl[static_cast<size_t>(i)];
            double v = 40000.0 * std::exp(-0.5 * std::pow((l - 650.0) / 180.0, 2));
            v *= 1.0 - 0.4 * std::exp(-0.5 * std::pow((l - 536.0) / 3.0, 2));
            v *= 1.0 - 0.3 * std::exp(-0.5 * std::pow((l - 641.0) / 4.0, 2));
            v += 30.0 * std::sin(0.7 * i);
            y[static_cast<size_t>(i)] = v;
        }
    }
};

const Device& device() {
    static const Device d;
    return d;
}

// Evenly spaced grid of m points over [200, 1100] nm.
std::vector<double> grid(int m) {
    std::vector<double> g(static_cast<size_t>(m));
    const double step = 900.0 / (m - 1);
    for (int i = 0; i < m; ++i)
        g[static_cast<size_t>(i)] = 200.0 + step * i;
    return g;
}

void BM_SavGol(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const int half = static_cast<int>(state.range(1));
    std::vector<double> y(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        y[static_cast<size_t>(i)] = device().y[static_cast<size_t>(i % kPixels)];
    for (auto _ : state) {
        ZoltMathArray c = zoltmath_CoefSavGol(half, half, 4);
        ZoltMathArray out = zoltmath_SmoothSavGol(y.data(), n, c.get(), half, half);
        benchmark::DoNotOptimize(out.get());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_SavGol)->Args({2048, 2})->Args({2048, 12})->Args({4096, 2})->Args({4096, 12});

void BM_Boxcar(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<double> y(static_cast<size_t>(n));
    for (auto _ : state) {
        for (int i = 0; i < n; ++i)
            y[static_cast<size_t>(i)] = device().y[static_cast<size_t>(i % kPixels)];
        zoltmath_Boxcar(y.data(), 9, n);
        benchmark::DoNotOptimize(y.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_Boxcar)->Arg(2048)->Arg(4096);

void BM_SplineResample(benchmark::State& state) {
    const int m = static_cast<int>(state.range(0));
    const std::vector<double> x = grid(m);
    std::vector<double> out(static_cast<size_t>(m));
    for (auto _ : state) {
        zoltmath_SplineInterpol(out.data(), x.data(), device().y.data(), device().wl.data(),
                                kPixels, m);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * m);
}
BENCHMARK(BM_SplineResample)->Arg(90001)->Arg(204801)->Unit(benchmark::kMicrosecond);

void BM_LinearResample(benchmark::State& state) {
    const int m = static_cast<int>(state.range(0));
    const double step = 900.0 / (m - 1);
    std::vector<double> ox(static_cast<size_t>(m));
    std::vector<double> oy(static_cast<size_t>(m));
    int k = 0;
    for (auto _ : state) {
        k = zoltmath_LineInterpolation(oy.data(), ox.data(), device().y.data(), device().wl.data(),
                                       200.0, device().wl[kPixels - 1], step, kPixels, m);
        benchmark::DoNotOptimize(oy.data());
    }
    state.counters["points"] = k;
    state.SetItemsProcessed(state.iterations() * k);
}
BENCHMARK(BM_LinearResample)->Arg(90001)->Arg(204801)->Unit(benchmark::kMicrosecond);

void BM_PeakAndFwhm(benchmark::State& state) {
    const int m = 204801;
    const std::vector<double> x = grid(m);
    // A smooth broad peak, so that the walks cover most of the grid.
    std::vector<double> y(static_cast<size_t>(m));
    for (int i = 0; i < m; ++i)
        y[static_cast<size_t>(i)] =
            40000.0 * std::exp(-0.5 * std::pow((x[static_cast<size_t>(i)] - 650.0) / 180.0, 2));
    const auto last = static_cast<uint32_t>(m - 1);
    const double start = 400.0;
    for (auto _ : state) {
        int p = -1;
        const int peak = zoltmath_PeakWave(y.data(), x.data(), start, last);
        const double w = zoltmath_FWHM(y.data(), x.data(), last, 50, start, &p);
        benchmark::DoNotOptimize(peak);
        benchmark::DoNotOptimize(w);
    }
}
BENCHMARK(BM_PeakAndFwhm)->Unit(benchmark::kMicrosecond);

} // namespace
