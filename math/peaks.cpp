// Peak and valley search, widths and symmetry on a shown curve.
#include "zoltmath.h"

#include <cmath>
#include <cstdint>

namespace {

// A last index of 0, or one that wrapped from a negative count, leaves
// nothing to walk on.
bool emptyCurve(const double* y, const double* x, uint32_t last) {
    return y == nullptr || x == nullptr || last < 1 || last > static_cast<uint32_t>(INT32_MAX);
}

int startIndex(const double* x, double start, int last) {
    int s = 0;
    while (s < last && !(x[s] >= start))
        ++s;
    return s;
}

int climbRight(const double* y, int k, int last) {
    while (k < last && y[k + 1] >= y[k])
        ++k;
    return k;
}

// Never moves to index 0.
int climbLeft(const double* y, int k) {
    while (k > 1 && y[k - 1] >= y[k])
        --k;
    return k;
}

int descendRight(const double* y, int k, int last) {
    while (k < last && y[k + 1] <= y[k])
        ++k;
    return k;
}

int descendLeft(const double* y, int k) {
    while (k > 1 && y[k - 1] <= y[k])
        --k;
    return k;
}

struct Span {
    int a;
    int b;
};

// Walks out from peak p while above its level, moving p to any higher point
// met; the level follows p.
int walkOutPeak(const double* y, int p, int last, double f) {
    int a = p;
    int b = p; // the right walk starts from the peak it was given
    while (a > 0 && y[a] > y[p] * f) {
        --a;
        if (y[a] > y[p])
            p = a;
    }
    while (b < last && y[b] > y[p] * f) {
        ++b;
        if (y[b] > y[p])
            p = b;
    }
    return p;
}

Span finalWalkPeak(const double* y, int p, int last, double level) {
    int a = p;
    while (a > 0 && y[a] > level)
        --a;
    int b = p;
    while (b < last && y[b] > level)
        ++b;
    return {a, b};
}

// Climbed peak shared by the width functions: right from s, then left.
int climbedPeak(const double* y, const double* x, double start, int last) {
    const int s = startIndex(x, start, last);
    return climbLeft(y, climbRight(y, s, last));
}

void setIndex(int* out, int value) {
    if (out != nullptr)
        *out = value;
}

} // namespace

int zoltmath_PeakWave(const double* y, const double* x, double start, uint32_t last) {
    if (emptyCurve(y, x, last))
        return -1;
    const int l0 = static_cast<int>(last);
    const int s = startIndex(x, start, l0);
    const int r = climbRight(y, s, l0);
    const int l = climbLeft(y, s);
    return y[l] > y[r] ? l : r;
}

int zoltmath_ValleyWave(const double* y, const double* x, double start, uint32_t last) {
    if (emptyCurve(y, x, last))
        return -1;
    const int l0 = static_cast<int>(last);
    const int s = startIndex(x, start, l0);
    const int r = descendRight(y, s, l0);
    const int l = descendLeft(y, s);
    return y[l] < y[r] ? l : r;
}

double zoltmath_FWHM(const double* y, const double* x, uint32_t last, int percent,
                     const double& start, int* peak) {
    if (emptyCurve(y, x, last)) {
        setIndex(peak, -1);
        return 0.0;
    }
    const int l0 = static_cast<int>(last);
    const double f = percent / 100.0;
    int p = climbedPeak(y, x, start, l0);
    p = walkOutPeak(y, p, l0, f);
    const Span w = finalWalkPeak(y, p, l0, y[p] * f);
    setIndex(peak, p);
    return x[w.b] - x[w.a];
}

double zoltmath_FWHMpix(const double* y, const double* x, uint32_t last, int percent,
                        const double& start, int* peak) {
    if (emptyCurve(y, x, last)) {
        setIndex(peak, -1);
        return 0.0;
    }
    const int l0 = static_cast<int>(last);
    const double f = percent / 100.0;
    const int p = climbedPeak(y, x, start, l0);
    const double level = y[p] * f;
    const Span w = finalWalkPeak(y, p, l0, level);
    setIndex(peak, p);

    // A side whose walk could not leave the peak has no crossing: it sits at
    // the peak. A flat edge the walk ran out on has no slope to interpolate
    // along: the crossing is the edge itself.
    double left = p;
    if (w.a < p) {
        const double dy = y[w.a + 1] - y[w.a];
        left = dy != 0.0 ? (w.a + 1) - (y[w.a + 1] - level) / dy : w.a;
    }
    double right = p;
    if (w.b > p) {
        const double dy = y[w.b - 1] - y[w.b];
        right = dy != 0.0 ? (w.b - 1) + (y[w.b - 1] - level) / dy : w.b;
    }
    return right - left;
}

double zoltmath_Symmetry(const double* y, const double* x, uint32_t last, int percent,
                         const double& start, int* peak) {
    if (emptyCurve(y, x, last)) {
        setIndex(peak, -1);
        return 0.0;
    }
    const int l0 = static_cast<int>(last);
    const double f = percent / 100.0;
    const int q = climbedPeak(y, x, start, l0);
    const int p = walkOutPeak(y, q, l0, f);
    const Span w = finalWalkPeak(y, p, l0, y[p] * f);
    setIndex(peak, p);
    const double leftHalf = std::fabs(x[q] - x[w.a]);
    const double rightHalf = std::fabs(x[w.b] - x[q]);
    const double ratio = rightHalf / leftHalf;
    return leftHalf != 0.0 && std::isfinite(ratio) ? ratio : 0.0;
}

double zoltmath_ValleyWidth(const double* y, const double* x, uint32_t last, int percent,
                            const double& start, int* valley) {
    if (emptyCurve(y, x, last)) {
        setIndex(valley, -1);
        return 0.0;
    }
    const int l0 = static_cast<int>(last);
    const double f = percent / 100.0;
    const int s = startIndex(x, start, l0);

    // Shoulder: the peak left of the valley, and the first points at or below
    // its level on each side.
    int p = climbLeft(y, s);
    p = walkOutPeak(y, p, l0, f);
    const Span sh = finalWalkPeak(y, p, l0, y[p] * f);
    const double r = y[sh.a] < y[sh.b] ? y[sh.a] : y[sh.b];

    int v = descendLeft(y, descendRight(y, s, l0));
    auto levelOf = [&](int k) { return r + y[k] - percent * std::fabs(y[k]) / 100.0; };

    int a = v;
    int b = v;
    while (a > 0 && y[a] < levelOf(v)) {
        --a;
        if (y[a] < y[v])
            v = a;
    }
    while (b < l0 && y[b] < levelOf(v)) {
        ++b;
        if (y[b] < y[v])
            v = b;
    }
    const double level = levelOf(v);
    a = v;
    while (a > 0 && y[a] < level)
        --a;
    b = v;
    while (b < l0 && y[b] < level)
        ++b;
    setIndex(valley, v);
    return x[b] - x[a];
}
