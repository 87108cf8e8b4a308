#!/usr/bin/python3
"""Statistics of 100 spectra of 2048 pixels: our computation (bench_stats,
BM_Compute100) against numpy on the same values, measured in one run.

    bench/stats_vs_numpy.py build/default/bin/bench_stats

Needs python3-numpy; not part of the tests.
"""
import json
import statistics
import subprocess
import sys
import timeit

import numpy as np

REPEATS = 9


def ours(bench):
    out = subprocess.run(
        [bench, "--benchmark_filter=BM_Compute100$", "--benchmark_format=json",
         f"--benchmark_repetitions={REPEATS}", "--benchmark_min_time=0.5"],
        check=True, capture_output=True, text=True).stdout
    runs = [b for b in json.loads(out)["benchmarks"] if b.get("run_type") == "iteration"]
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    return statistics.median(b["real_time"] * scale[b["time_unit"]] for b in runs)


def theirs():
    # The values bench_stats stores (NextDark): a smooth curve with a little
    # variation per measurement.
    k = np.arange(100)[:, None]
    i = np.arange(2048)[None, :]
    a = 1000.0 + 500.0 * np.sin(i * 0.003) + ((i * 7919 + k * 104729) % 97) * 0.5

    def compute():
        # Per spectrum its maximum; per pixel (and for the maxima) mean and
        # sample standard deviation; the largest mean and deviation, the mean
        # deviation.
        maxima = a.max(axis=1)
        mean = a.mean(axis=0)
        sd = a.std(axis=0, ddof=1)
        maxima.mean(), maxima.std(ddof=1)
        return mean.max(), sd.max(), sd.mean()

    number = 500
    times = timeit.repeat(compute, number=number, repeat=REPEATS)
    return statistics.median(times) / number


def main():
    bench = sys.argv[1] if len(sys.argv) > 1 else "build/default/bin/bench_stats"
    t_ours = ours(bench)
    t_numpy = theirs()
    print(f"ours  {t_ours * 1e3:.3f} ms")
    print(f"numpy {t_numpy * 1e3:.3f} ms (numpy {np.__version__})")
    print(f"ratio {t_ours / t_numpy:.2f} x numpy")


if __name__ == "__main__":
    main()
