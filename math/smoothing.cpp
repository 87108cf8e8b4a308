// Boxcar and Savitzky-Golay smoothing.
#include "zoltmath.h"

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

void zoltmath_Boxcar(double* y, int width, int n) {
    if (y == nullptr || width < 1 || n <= 0)
        return;
    const int half = (width - 1) / 2;
    if (half == 0)
        return;

    // Means are computed from unsmoothed input; a mean goes back into y only
    // once no later window can reach its position (half samples behind).
    const int delay = half + 1;
    std::vector<double> line(static_cast<size_t>(delay));
    for (int i = 0; i < n; ++i) {
        double sum = y[i];
        double count = 1.0;
        for (int j = 1; j <= half; ++j) {
            if (i + j < n) {
                sum += y[i + j];
                count += 1.0;
            }
            if (i - j >= 0) {
                sum += y[i - j];
                count += 1.0;
            }
        }
        line[static_cast<size_t>(i % delay)] = sum / count;
        const int back = i - half;
        if (back >= 0)
            y[back] = line[static_cast<size_t>(back % delay)];
    }
    for (int i = n - half; i < n; ++i) {
        if (i >= 0)
            y[i] = line[static_cast<size_t>(i % delay)];
    }
}

ZoltMathArray zoltmath_CoefSavGol(int nLeft, int nRight, int degree) {
    if (nLeft < 0 || nRight < 0 || degree < 0)
        return nullptr;
    const int64_t window = static_cast<int64_t>(nLeft) + nRight + 1;
    // A polynomial with as many terms as the window has points fits exactly and
    // its normal matrix is singular; with large offsets the pivot test below
    // cannot see that, so it is rejected here.
    if (degree >= window)
        return nullptr;
    // Powers of the offsets up to 2 * degree must stay finite.
    const int maxOffset = nLeft > nRight ? nLeft : nRight;
    if (maxOffset >= 2 && 2.0 * degree * std::log2(static_cast<double>(maxOffset)) > 1000.0) {
        return nullptr;
    }

    const int size = degree + 1;
    std::vector<double> a(static_cast<size_t>(size) * static_cast<size_t>(size));
    auto A = [&a, size](int r, int c) -> double& {
        return a[static_cast<size_t>(r) * static_cast<size_t>(size) + static_cast<size_t>(c)];
    };
    for (int i = 0; i < size; ++i) {
        for (int j = 0; j < size; ++j) {
            double sum = 0.0;
            for (int k = -nLeft; k <= nRight; ++k)
                sum += std::pow(static_cast<double>(k), i + j);
            if (!std::isfinite(sum))
                return nullptr;
            A(i, j) = sum;
        }
    }

    // In-place Gauss-Jordan inversion, pivoting along the current row.
    std::vector<int> p(static_cast<size_t>(size));
    std::vector<double> t(static_cast<size_t>(size));
    std::vector<double> s(static_cast<size_t>(size));
    for (int j = 0; j < size; ++j)
        p[static_cast<size_t>(j)] = j;
    for (int j = 0; j < size; ++j) {
        double pivot = A(j, j);
        int cs = j;
        for (int c = j + 1; c < size; ++c) {
            if (std::fabs(A(j, c)) > std::fabs(pivot)) {
                pivot = A(j, c);
                cs = c;
            }
        }
        if (!(std::fabs(pivot) >= 1.0e-6))
            return nullptr;
        const double r = 1.0 / pivot;
        for (int k = 0; k < size; ++k) {
            const auto uk = static_cast<size_t>(k);
            t[uk] = A(k, cs);
            A(k, cs) = A(k, j);
            A(k, j) = -t[uk] * r;
            s[uk] = A(j, k) * r;
            A(j, k) = s[uk];
        }
        std::swap(p[static_cast<size_t>(j)], p[static_cast<size_t>(cs)]);
        A(j, j) = r;
        for (int i = 0; i < size; ++i) {
            if (i == j)
                continue;
            for (int k = 0; k < size; ++k) {
                if (k == j)
                    continue;
                A(i, k) = A(i, k) - s[static_cast<size_t>(k)] * t[static_cast<size_t>(i)];
            }
        }
    }
    for (int j = 0; j < size; ++j) {
        while (p[static_cast<size_t>(j)] != j) {
            const int q = p[static_cast<size_t>(j)];
            for (int k = 0; k < size; ++k)
                std::swap(A(j, k), A(q, k));
            std::swap(p[static_cast<size_t>(j)], p[static_cast<size_t>(q)]);
        }
    }

    ZoltMathArray coef(new double[static_cast<size_t>(window)]);
    for (int k = -nLeft; k <= nRight; ++k) {
        double c = 0.0;
        for (int i = 0; i <= degree; ++i)
            c += A(0, i) * std::pow(static_cast<double>(k), i);
        if (!std::isfinite(c))
            return nullptr;
        coef[static_cast<size_t>(k + nLeft)] = c;
    }
    return coef;
}

ZoltMathArray zoltmath_SmoothSavGol(const double* y, int n, const double* coef, int nLeft,
                                    int nRight) {
    if (y == nullptr || coef == nullptr || n <= 0 || nLeft < 0 || nRight < 0)
        return nullptr;
    ZoltMathArray out(new double[static_cast<size_t>(n)]());
    const int64_t end = static_cast<int64_t>(n) - nRight; // first point without a right window
    for (int64_t i = nLeft; i < end; ++i) {
        double sum = 0.0;
        for (int k = -nLeft; k <= nRight; ++k)
            sum += y[i + k] * coef[k + nLeft];
        out[static_cast<size_t>(i)] = sum;
    }
    for (int i = 0; i < n && i < nLeft; ++i)
        out[static_cast<size_t>(i)] = y[i];
    for (int64_t i = end < 0 ? 0 : end; i < n; ++i)
        out[static_cast<size_t>(i)] = y[i];
    return out;
}
