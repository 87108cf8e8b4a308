// Wavelength polynomial, linear and spline resampling, correlation, the
// stray-light correction and the small array helpers they use.
#include "zoltmath.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

void zoltmath_Fitpolynom(double* out, double a0, double a1, double a2, double a3, double a4,
                         int n) {
    if (out == nullptr)
        return;
    for (int p = 0; p < n; ++p) {
        const double d = p;
        out[p] = ((a0 + a1 * d) + a2 * std::pow(d, 2)) + a3 * std::pow(d, 3) + a4 * std::pow(d, 4);
    }
}

int zoltmath_LineInterpolation(double* outY, double* outX, const double* y, const double* x,
                               double /*first*/, double xEnd, double step, int n, int capacity) {
    if (outY == nullptr || outX == nullptr || y == nullptr || x == nullptr)
        return 0;
    if (!(step > 0.0) || !std::isfinite(step) || n < 2 || capacity <= 0)
        return 0;
    double g = std::trunc(x[0] / step) * step;
    if (!std::isfinite(g))
        return 0;
    int j = 0;
    int count = 0;
    // The segment index only moves forward, so the whole grid costs one pass
    // over the data; beyond the last sample the last interval is continued.
    while (count < capacity && g + step < xEnd) {
        if (!(g + step > g))
            break; // a step lost in rounding would never advance
        g = g + step;
        while (j < n - 2 && g > x[j + 1])
            ++j;
        const double dx = x[j + 1] - x[j];
        if (dx > 0.0) {
            const double s = (y[j + 1] - y[j]) / dx;
            outY[count] = (y[j] - s * x[j]) + s * g;
        } else {
            // A repeated (or falling) x has no slope; keep the sample's value.
            outY[count] = y[j];
        }
        outX[count] = g;
        ++count;
    }
    return count;
}

int zoltmath_Spline(const double* x, const double* y, int n, double* y2) {
    if (x == nullptr || y == nullptr || y2 == nullptr || n < 2)
        return -1;
    for (int i = 1; i < n; ++i) {
        if (!(x[i] > x[i - 1]))
            return -1;
    }
    std::vector<double> u(static_cast<size_t>(n), 0.0);
    y2[0] = 0.0;
    for (int i = 1; i < n - 1; ++i) {
        const double sig = (x[i] - x[i - 1]) / (x[i + 1] - x[i - 1]);
        const double p = sig * y2[i - 1] + 2.0;
        y2[i] = (sig - 1.0) / p;
        const double d =
            (y[i + 1] - y[i]) / (x[i + 1] - x[i]) - (y[i] - y[i - 1]) / (x[i] - x[i - 1]);
        u[static_cast<size_t>(i)] =
            (6.0 * d / (x[i + 1] - x[i - 1]) - sig * u[static_cast<size_t>(i - 1)]) / p;
    }
    y2[n - 1] = 0.0;
    for (int k = n - 2; k >= 0; --k)
        y2[k] = y2[k] * y2[k + 1] + u[static_cast<size_t>(k)];
    return 0;
}

double zoltmath_SpInterp(const double* x, const double* y, const double* y2, int n, double t,
                         int* segment) {
    if (n < 2)
        return n == 1 ? y[0] : 0.0;
    int k = segment != nullptr ? *segment : 0;
    if (k < 0 || k > n - 2)
        k = 0;
    if (t < x[k]) {
        // Moving backwards: search the intervals before the hint.
        int lo = 0;
        int hi = k;
        while (hi - lo > 1) {
            const int mid = lo + (hi - lo) / 2;
            if (x[mid] > t) {
                hi = mid;
            } else {
                lo = mid;
            }
        }
        k = lo;
    } else {
        while (k < n - 2 && t >= x[k + 1])
            ++k;
    }
    if (segment != nullptr)
        *segment = k;
    const double h = x[k + 1] - x[k];
    const double a = (x[k + 1] - t) / h;
    const double b = (t - x[k]) / h;
    return a * y[k] + b * y[k + 1] +
           ((a * a * a - a) * y2[k] + (b * b * b - b) * y2[k + 1]) * (h * h) / 6.0;
}

namespace {

// A spline solve spreads one non-finite sample over the whole curve. Each run
// of finite samples gets a spline of its own instead; points in an interval
// that touches a non-finite sample stay NaN, as they do on the linear grids.
void SplineAroundGaps(double* outY, const double* newX, int m, const double* x, const double* y,
                      int n, std::vector<double>& y2) {
    std::vector<int> runStart(static_cast<size_t>(n), 0);
    int start = 0;
    for (int i = 0; i <= n; ++i) {
        if (i == n || !std::isfinite(y[i])) {
            if (i - start >= 2)
                zoltmath_Spline(x + start, y + start, i - start, y2.data() + start);
            for (int k = start; k < i; ++k)
                runStart[static_cast<size_t>(k)] = start;
            start = i + 1;
        }
    }
    for (int i = 0; i < m; ++i) {
        const double t = newX[i];
        int k = static_cast<int>(std::upper_bound(x, x + n, t) - x) - 1;
        k = std::clamp(k, 0, n - 2);
        // A point on a finite sample belongs to the finite side.
        if (k > 0 && t == x[k] && !std::isfinite(y[k + 1]))
            --k;
        if (!std::isfinite(t) || !std::isfinite(y[k]) || !std::isfinite(y[k + 1])) {
            outY[i] = std::nan("");
            continue;
        }
        const int first = runStart[static_cast<size_t>(k)];
        int last = k + 1;
        while (last + 1 < n && std::isfinite(y[last + 1]))
            ++last;
        int segment = k - first;
        outY[i] = zoltmath_SpInterp(x + first, y + first, y2.data() + first, last - first + 1, t,
                                    &segment);
    }
}

} // namespace

void zoltmath_SplineInterpol(double* outY, const double* newX, const double* y, const double* x,
                             int n, int m) {
    if (outY == nullptr || newX == nullptr || y == nullptr || x == nullptr || n <= 0 || m <= 0) {
        return;
    }
    // Points whose x does not rise above the previous kept one cannot carry a
    // spline interval; leave them out rather than divide by a zero width.
    const double* kx = x;
    const double* ky = y;
    std::vector<double> cx;
    std::vector<double> cy;
    bool increasing = true;
    for (int i = 1; i < n && increasing; ++i)
        increasing = x[i] > x[i - 1];
    int count = n;
    if (!increasing) {
        cx.reserve(static_cast<size_t>(n));
        cy.reserve(static_cast<size_t>(n));
        cx.push_back(x[0]);
        cy.push_back(y[0]);
        for (int i = 1; i < n; ++i) {
            if (x[i] > cx.back()) {
                cx.push_back(x[i]);
                cy.push_back(y[i]);
            }
        }
        kx = cx.data();
        ky = cy.data();
        count = static_cast<int>(cx.size());
    }
    if (count == 1) {
        std::fill(outY, outY + m, ky[0]);
        return;
    }
    std::vector<double> y2(static_cast<size_t>(count));
    bool allFinite = true;
    for (int i = 0; i < count && allFinite; ++i)
        allFinite = std::isfinite(ky[i]);
    if (allFinite) {
        zoltmath_Spline(kx, ky, count, y2.data());
        int segment = 0;
        for (int i = 0; i < m; ++i)
            outY[i] = zoltmath_SpInterp(kx, ky, y2.data(), count, newX[i], &segment);
        return;
    }
    SplineAroundGaps(outY, newX, m, kx, ky, count, y2);
}

double zoltmath_Korrelation(const double* a, const double* b, int n) {
    if (a == nullptr || b == nullptr || n <= 0)
        return 0.0;
    double sa = 0.0;
    double sb = 0.0;
    for (int i = 0; i < n; ++i) {
        sa += a[i];
        sb += b[i];
    }
    const double ma = sa / n;
    const double mb = sb / n;
    double sxy = 0.0;
    double sxx = 0.0;
    double syy = 0.0;
    for (int i = 0; i < n; ++i) {
        const double da = a[i] - ma;
        const double db = b[i] - mb;
        sxy += da * db;
        sxx += da * da;
        syy += db * db;
    }
    const double denom = std::sqrt(sxx * syy);
    if (!(denom > 0.0) || !std::isfinite(denom))
        return 0.0;
    return sxy / denom;
}

int calc_UVCorrection(double* dReferenz, const ZoltMathCorrection& corr) {
    if (dReferenz == nullptr || corr.correctionStat != 1 || corr.pixelCount <= 0)
        return 0;
    const auto n = static_cast<uint32_t>(corr.pixelCount);

    // Offset of the zero line from the offset window (inclusive), clipped to
    // the spectrum; an empty window leaves the zero line alone.
    const auto first1 = static_cast<uint32_t>(corr.corrRange1First);
    const uint32_t last1 = std::min(static_cast<uint32_t>(corr.corrRange1Last), n - 1);
    if (first1 <= last1) {
        double sum = 0.0;
        for (uint32_t i = first1; i <= last1; ++i)
            sum += dReferenz[i];
        const double mean = sum / static_cast<double>(last1 - first1 + 1);
        const double m = std::round(mean);
        if (std::isfinite(m)) {
            for (uint32_t i = 0; i < n; ++i)
                dReferenz[i] -= m;
        }
    }

    // Stray light proportional to the total signal, over the correction range
    // (end exclusive), clipped to the spectrum.
    const auto first2 = static_cast<uint32_t>(corr.corrRange2First);
    const auto end2raw = static_cast<uint32_t>(corr.corrRange2Last);
    if (first2 < end2raw) {
        const uint32_t end2 = std::min(end2raw, n);
        double total = 0.0;
        for (uint32_t i = 0; i < n; ++i)
            total += dReferenz[i];
        const double c0 = corr.corrCoeff[0];
        const double c1 = corr.corrCoeff[1];
        const double c2 = corr.corrCoeff[2];
        const double c3 = corr.corrCoeff[3];
        for (uint32_t i = first2; i < end2; ++i) {
            const double d = i;
            const double share = ((c0 + c1 * d) + c2 * d * d) + c3 * d * d * d;
            dReferenz[i] = dReferenz[i] - std::round(total * share);
        }
    }
    return 0;
}

void zoltmath_SortDescending(const double* in, int n, double* out) {
    if (in == nullptr || out == nullptr || n <= 0)
        return;
    std::copy(in, in + n, out);
    // NaN sorts last so that the order stays strict and weak.
    std::sort(out, out + n,
              [](double a, double b) { return a > b || (!std::isnan(a) && std::isnan(b)); });
}

int zoltmath_MaxMin1D(const double* a, int n, double* max, int* maxIndex, double* min,
                      int* minIndex) {
    if (a == nullptr || n <= 0)
        return -1;
    int hi = 0;
    int lo = 0;
    for (int i = 1; i < n; ++i) {
        if (a[i] > a[hi])
            hi = i;
        if (a[i] < a[lo])
            lo = i;
    }
    if (max != nullptr)
        *max = a[hi];
    if (maxIndex != nullptr)
        *maxIndex = hi;
    if (min != nullptr)
        *min = a[lo];
    if (minIndex != nullptr)
        *minIndex = lo;
    return 0;
}
