// Centre-of-gravity wavelengths of a peak and of a valley.
#include "zoltmath.h"

#include <cmath>
#include <vector>

namespace {

// First index with wl[j] >= g, kept inside [1, last] so that the segment
// j-1 ... j always exists.
int firstAtOrAbove(const double* wl, double g, int last) {
    int j = 0;
    while (j < last && !(wl[j] >= g))
        ++j;
    return j < 1 ? 1 : j;
}

double valueAt(const double* y, const double* wl, int j, double g) {
    return y[j - 1] + (g - wl[j - 1]) * (y[j] - y[j - 1]) / (wl[j] - wl[j - 1]);
}

bool inRange(double g, const ZoltMathCurveRange& range) {
    return static_cast<double>(range.iMinWaveLen) < g && g < static_cast<double>(range.iMaxWaveLen);
}

} // namespace

int zoltmath_DomWavePeak(const double* y, const double* wl, double percent, double start,
                         double* centroid, double* valueAtCentroid,
                         const ZoltMathCurveRange& range) {
    if (y == nullptr || wl == nullptr || range.iNumOfPnt < 2)
        return -1;
    const int last = range.iNumOfPnt - 1;
    const double f = percent / 100.0;
    const int p = zoltmath_PeakWave(y, wl, start, static_cast<uint32_t>(last));
    if (p < 0)
        return -1;
    const double level = y[p] * f;

    int a = p;
    while (a > 0 && y[a] > level)
        --a;
    int b = p;
    while (b < last && y[b] > level)
        ++b;
    double s1 = 0.0;
    double s0 = 0.0;
    for (int k = a; k <= b; ++k) {
        if (y[k] > level) {
            s1 += y[k] * wl[k];
            s0 += y[k];
        }
    }
    // Without positive weight there is no centre of gravity.
    if (!(s0 > 0.0))
        return -1;
    const double g = s1 / s0;
    if (!std::isfinite(g))
        return -1;

    const int j = firstAtOrAbove(wl, g, last);
    const double v = valueAt(y, wl, j, g);
    if (valueAtCentroid != nullptr)
        *valueAtCentroid = v;
    if (!inRange(g, range))
        return -1;
    if (centroid != nullptr)
        *centroid = g;
    return j;
}

int zoltmath_DomWaveValley(const double* y, const double* wl, double percent, double start,
                           double* level, double halfWindow, double* centroid,
                           double* valueAtCentroid, const ZoltMathCurveRange& range,
                           ZoltMathValleyConstruction* construction) {
    if (y == nullptr || wl == nullptr || range.iNumOfPnt < 2)
        return -1;
    const int last = range.iNumOfPnt - 1;
    const double f = percent / 100.0;

    int s = 0;
    while (s < last && !(wl[s] >= start))
        ++s;

    // Window: the first points at least the half window away, clipped to the
    // curve.
    int lo = s;
    while (lo > 0 && wl[s] - wl[lo] < halfWindow)
        --lo;
    int hi = s;
    while (hi < last && wl[hi] - wl[s] < halfWindow)
        ++hi;

    // Shoulders. Going down the window's values in descending order, a side is
    // found at the first value t below which one of its points lies, and its
    // point is the first one above t seen walking out from s. That first t is
    // the largest sorted value below the side's maximum, so each side needs one
    // pass over the sorted copy rather than one search per value.
    const int count = hi - lo + 1;
    std::vector<double> sorted(static_cast<size_t>(count));
    zoltmath_SortDescending(y + lo, count, sorted.data());
    auto shoulder = [&](int from, int to, int step, int fallback) {
        if ((to - from) * step < 0)
            return fallback; // empty side
        double top = y[from];
        for (int k = from; k != to + step; k += step)
            top = y[k] > top ? y[k] : top;
        for (const double t : sorted) {
            if (!(t < top))
                continue;
            for (int k = from; k != to + step; k += step) {
                if (y[k] > t)
                    return k;
            }
        }
        return fallback;
    };
    const int a = shoulder(s, lo + 1, -1, lo);
    const int b = shoulder(s, hi - 1, +1, hi);

    const double r = y[b] < y[a] ? y[b] : y[a];
    const double v = y[s] + (r - y[s]) * f;

    int a2 = s;
    while (a2 > lo && y[a2] < v)
        --a2;
    int b2 = s;
    while (b2 < hi && y[b2] < v)
        ++b2;
    if (construction != nullptr) {
        construction->dTemp1 = wl[a];
        construction->dTemp2 = wl[b];
        construction->iTmpCOG1 = a2;
        construction->iTmpCOG2 = b2;
    }

    double s1 = 0.0;
    double s0 = 0.0;
    for (int k = a2; k <= b2; ++k) {
        if (y[k] < v) {
            const double d = v - y[k];
            s1 += d * wl[k];
            s0 += d;
        }
    }
    if (!(s0 > 0.0))
        return -1;
    const double g = s1 / s0;
    if (!std::isfinite(g))
        return -1;

    const int j = firstAtOrAbove(wl, g, last);
    const double value = valueAt(y, wl, j, g);
    if (valueAtCentroid != nullptr)
        *valueAtCentroid = value;
    if (!inRange(g, range))
        return -1;
    if (level != nullptr)
        *level = v;
    if (centroid != nullptr)
        *centroid = g;
    return 0;
}
