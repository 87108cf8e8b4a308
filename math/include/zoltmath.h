// Spectral math on arrays of doubles: smoothing, peak/valley and width
// evaluation, centroids, the wavelength polynomial, resampling, correlation
// and the stray-light correction of the reference spectrum.
//
// Every function here is free of global state and shows no messages. Arrays
// are passed with explicit counts or last indices; functions that hand back a
// new array return a ZoltMathArray (null on failure) which releases itself.
#ifndef ZOLTMATH_H
#define ZOLTMATH_H

#include <cstdint>
#include <memory>

using ZoltMathArray = std::unique_ptr<double[]>;

// ---------------------------------------------------------------- smoothing

// Centred moving average over width samples (an even width acts as the odd
// width below it), in place. The window is clipped at both ends. Width < 3,
// n <= 0 or n <= (width - 1) / 2 leave y unchanged.
void zoltmath_Boxcar(double* y, int width, int n);

// Savitzky-Golay smoothing weights for offsets -nLeft ... nRight (element
// k + nLeft weighs the sample at offset k). Null when the counts or the degree
// are negative, when degree >= nLeft + nRight + 1, or when the normal matrix
// is singular or cannot be represented.
ZoltMathArray zoltmath_CoefSavGol(int nLeft, int nRight, int degree);

// Applies weights from zoltmath_CoefSavGol to y[0 .. n-1]. Points without a
// complete window are copied unchanged. Null when coef or y is null, n <= 0
// or nLeft/nRight are negative.
ZoltMathArray zoltmath_SmoothSavGol(const double* y, int n, const double* coef, int nLeft,
                                    int nRight);

// ------------------------------------------------------ peak, valley, widths
//
// y and x hold the curve, x increasing; last is the index of the last point
// that may be examined. A last index of 0 (a single point) or a wrapped
// negative one (>= 2^31) counts as an empty curve: the searches return -1 and
// the width functions return 0.0 with -1 in their index out-parameter.
// The index out-parameters may be null.

// Index of the local maximum nearest to start (climbs right and left).
int zoltmath_PeakWave(const double* y, const double* x, double start, uint32_t last);
// Index of the local minimum nearest to start.
int zoltmath_ValleyWave(const double* y, const double* x, double start, uint32_t last);

// Width at percent of the peak height in x units, between the first points at
// or below the level on each side (no interpolation); *peak receives the peak,
// moved to any higher point met on the way out.
double zoltmath_FWHM(const double* y, const double* x, uint32_t last, int percent,
                     const double& start, int* peak);
// Width at percent of the peak height in index units, crossings interpolated.
double zoltmath_FWHMpix(const double* y, const double* x, uint32_t last, int percent,
                        const double& start, int* peak);
// Right half-width over left half-width, measured from the climbed peak;
// 0.0 when the left half-width is zero.
double zoltmath_Symmetry(const double* y, const double* x, uint32_t last, int percent,
                         const double& start, int* peak);
// Width of the valley nearest to start in x units; *valley receives its index.
double zoltmath_ValleyWidth(const double* y, const double* x, uint32_t last, int percent,
                            const double& start, int* valley);

// ----------------------------------------------------------------- centroids

// The shown curve's point count and the displayed wavelength range (whole nm);
// a centroid must lie strictly inside (iMinWaveLen, iMaxWaveLen).
struct ZoltMathCurveRange {
    int iNumOfPnt = 0;
    int iMinWaveLen = 0;
    int iMaxWaveLen = 0;
};

// The valley's construction, for drawing: shoulder wavelengths and the first
// and last index of the integration window.
struct ZoltMathValleyConstruction {
    double dTemp1 = 0.0;
    double dTemp2 = 0.0;
    int iTmpCOG1 = 0;
    int iTmpCOG2 = 0;
};

// Centroid wavelength of the peak nearest to start, weighted by the values
// above percent of its height. Returns the first index with wl >= centroid, or
// -1 when the centroid is out of range or cannot be formed (fewer than two
// points, no positive weight). *valueAtCentroid is written whenever a finite
// centroid was formed; *centroid only on success.
int zoltmath_DomWavePeak(const double* y, const double* wl, double percent, double start,
                         double* centroid, double* valueAtCentroid,
                         const ZoltMathCurveRange& range);

// Centroid wavelength of the valley at start, weighted by the depth below a
// level percent of the way from the floor up to the lower shoulder; the
// shoulders are searched within halfWindow nm each side, clipped to the curve.
// Returns 0, or -1 when out of range or no centroid can be formed.
// *valueAtCentroid is written whenever a finite centroid was formed; *level
// and *centroid only on success. construction (may be null) receives the
// shoulders and the integration window whenever the curve has two points.
int zoltmath_DomWaveValley(const double* y, const double* wl, double percent, double start,
                           double* level, double halfWindow, double* centroid,
                           double* valueAtCentroid, const ZoltMathCurveRange& range,
                           ZoltMathValleyConstruction* construction);

// ------------------------------------- polynomial, resampling, correlation

// out[p] = a0 + a1 p + a2 p^2 + a3 p^3 + a4 p^4 for p = 0 ... n-1.
void zoltmath_Fitpolynom(double* out, double a0, double a1, double a2, double a3, double a4, int n);

// Linear resampling of (x, y), n points, onto the multiples of step strictly
// above trunc(x[0] / step) * step and strictly below xEnd, by repeated
// addition. Grid points beyond the data continue the end intervals. Writes at
// most capacity points and returns the number written; 0 when step <= 0,
// n < 2 or capacity <= 0. first is not used.
int zoltmath_LineInterpolation(double* outY, double* outX, const double* y, const double* x,
                               double first, double xEnd, double step, int n, int capacity);

// Natural cubic spline through (x, y), n points, evaluated at newX[0 .. m-1]
// into outY. Points with an x not above the one before are left out of the
// fit. Outside the data the end pieces are continued. n == 1 gives y[0]
// everywhere; n <= 0 or m <= 0 writes nothing. Linear in n + m when newX is
// increasing.
void zoltmath_SplineInterpol(double* outY, const double* newX, const double* y, const double* x,
                             int n, int m);

// Pearson correlation of a and b over n points; 0.0 for n <= 0 or when either
// array is constant.
double zoltmath_Korrelation(const double* a, const double* b, int n);

inline double pow2(double x) {
    return x * x;
}

// ---------------------------------------------------- stray-light correction

// The device's correction data (copied by the caller from its parameter
// record). The four pixel numbers are taken as unsigned values.
struct ZoltMathCorrection {
    int32_t pixelCount = 0;
    int32_t correctionStat = 0;
    int32_t corrRange1First = 0; // offset window, inclusive
    int32_t corrRange1Last = 0;
    int32_t corrRange2First = 0; // correction range, end exclusive
    int32_t corrRange2Last = 0;
    float corrCoeff[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};

// Offset and stray-light correction of dReferenz (pixelCount values) in place;
// a no-op unless correctionStat is exactly 1. Windows are clipped to the pixel
// count; an empty offset window subtracts nothing. Returns 0.
int calc_UVCorrection(double* dReferenz, const ZoltMathCorrection& corr);

// ------------------------------------------------------------------ helpers

// Second derivatives of the natural cubic spline through n points with
// strictly increasing x into y2 (n values). Returns 0, or -1 for n < 2 or an
// x that does not increase.
int zoltmath_Spline(const double* x, const double* y, int n, double* y2);

// Value at t of the spline from zoltmath_Spline. *segment is a search hint
// (start with 0) and receives the interval used, so increasing t costs O(1)
// per call; outside the data the end pieces are continued.
double zoltmath_SpInterp(const double* x, const double* y, const double* y2, int n, double t,
                         int* segment);

// Sorted copy of in[0 .. n-1], largest first, into out.
void zoltmath_SortDescending(const double* in, int n, double* out);

// Largest and smallest of a[0 .. n-1] and the first index of each; any of the
// out-parameters may be null. Returns 0, or -1 for n <= 0.
int zoltmath_MaxMin1D(const double* a, int n, double* max, int* maxIndex, double* min,
                      int* minIndex);

#endif
