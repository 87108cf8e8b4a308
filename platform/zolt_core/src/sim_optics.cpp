// Optics and noise of the simulated instrument: lamp, detector, samples and
// the frames the detector reads out.
#include "sim_model.hpp"

#include <algorithm>
#include <cmath>

namespace zolt {

namespace {

constexpr double kLn2x4 = 2.772588722239781; // 4 ln 2: Gaussian from its FWHM
constexpr float kMaxAutoTintMs = 5000.0f;

// Deterministic noise: splitmix64 drives everything, so a seed gives the
// same spectra on every machine.
struct Rng {
    uint64_t s;
    explicit Rng(uint64_t seed) : s(seed) {}
    uint64_t next() {
        uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double uniform() {
        return (static_cast<double>(next() >> 11) + 0.5) * (1.0 / 9007199254740992.0);
    }
    double normal() {
        double u1 = uniform(), u2 = uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
    }
};

struct Band {
    double nm, fwhm, depth;
};
const Band kHolmium[] = {{241.1, 4.0, 0.35}, {287.1, 5.0, 0.30}, {361.5, 4.0, 0.45},
                         {416.3, 5.0, 0.35}, {451.4, 4.0, 0.40}, {485.8, 4.0, 0.25},
                         {536.4, 5.0, 0.45}, {640.5, 5.0, 0.30}};
const Band kMercury[] = {
    {253.65, kEmissionFwhm, 0.90}, {296.73, kEmissionFwhm, 0.15}, {313.16, kEmissionFwhm, 0.35},
    {365.01, kEmissionFwhm, 0.60}, {404.66, kEmissionFwhm, 0.45}, {435.84, kEmissionFwhm, 1.00},
    {546.07, kEmissionFwhm, 0.85}, {576.96, kEmissionFwhm, 0.20}, {579.07, kEmissionFwhm, 0.22}};

double gauss(double x, double centre, double fwhm) {
    double d = x - centre;
    return std::exp(-kLn2x4 * d * d / (fwhm * fwhm));
}

// Silicon-like detector response with a grating/window roll-off in the UV.
double detectorResponse(double nm) {
    double r = std::exp(-std::pow((nm - 680.0) / 330.0, 2.0));
    double uvCut = 1.0 / (1.0 + std::exp(-(nm - 205.0) / 8.0));
    return r * uvCut;
}

// Halogen-like source: a 3000 K black body plus a weak UV continuum so the
// deep-UV bands stay measurable.
double lampSpectrum(double nm) {
    const double c2 = 1.4388e7; // nm K
    double planck = 1.0 / (std::pow(nm / 966.0, 5.0) * (std::exp(c2 / (nm * 3000.0)) - 1.0));
    double planckPeak = 1.0 / (std::exp(c2 / (966.0 * 3000.0)) - 1.0);
    double uv = 0.35 * std::exp(-std::pow((nm - 235.0) / 60.0, 2.0));
    return planck / planckPeak + uv;
}

double holmiumTransmission(double nm) {
    double t = 0.9;
    for (const Band& b : kHolmium)
        t *= 1.0 - b.depth * gauss(nm, b.nm, b.fwhm);
    return t;
}

double mercuryEmission(double nm) {
    double e = 0.002;
    for (const Band& b : kMercury)
        e += b.depth * gauss(nm, b.nm, b.fwhm);
    return e;
}

// Brightest point of source x detector over the usual range, for scaling.
double peakOf(double (*source)(double)) {
    double peak = 1e-12;
    for (double nm = 190.0; nm <= 1100.0; nm += 0.25)
        peak = std::max(peak, source(nm) * detectorResponse(nm));
    return peak;
}

uint64_t mix(uint64_t a, uint64_t b) {
    Rng r(a ^ (b * 0xD1B54A32D192ED03ull));
    return r.next();
}

} // namespace

const std::vector<double>& holmiumBands() {
    static const std::vector<double> v = [] {
        std::vector<double> r;
        for (const Band& b : kHolmium)
            r.push_back(b.nm);
        return r;
    }();
    return v;
}

const std::vector<double>& emissionLines() {
    static const std::vector<double> v = [] {
        std::vector<double> r;
        for (const Band& b : kMercury)
            r.push_back(b.nm);
        return r;
    }();
    return v;
}

double SimDevice::wavelength(int pixel) const {
    double x = pixel;
    return cfg.fit[0] +
           x * (cfg.fit[1] +
                x * (cfg.fit[2] + x * (cfg.fit[3] + x * static_cast<double>(cfg.fit[4]))));
}

double SimDevice::fullScale() const {
    return std::ldexp(1.0, cfg.adcBits) - 1.0;
}

// About 4000 counts/ms at the brightest pixel of a 16-bit device, so the
// power-on 10 ms integration lands near 60 % of full scale.
double SimDevice::signalRate(int pixel) const {
    double nm = wavelength(pixel);
    // A fit may put pixels at or below 0 nm, or far beyond any light: they
    // see none, rather than the NaN the source formula gives there.
    if (!(nm > 1.0 && nm < 1.0e5))
        return 0.0;
    double scale = fullScale() / 65535.0 * 4000.0;
    static const double lampPeak = peakOf(lampSpectrum), mercuryPeak = peakOf(mercuryEmission);
    if (cfg.sample == ZSIM_SAMPLE_EMISSION)
        return scale * 0.75 * mercuryEmission(nm) * detectorResponse(nm) / mercuryPeak;
    double s = scale * lampSpectrum(nm) * detectorResponse(nm) / lampPeak;
    if (cfg.sample == ZSIM_SAMPLE_HOLMIUM)
        s *= holmiumTransmission(nm);
    return s;
}

double SimDevice::lightRate(int pixel) const {
    if (shutter_ != 0)
        return 0.0;
    // The emission lamp shines by itself; the instrument's own lamp only
    // lights the filter path.
    if (cfg.sample != ZSIM_SAMPLE_EMISSION && (!lampOn_ || !lampPower))
        return 0.0;
    return signalRate(pixel);
}

std::vector<int32_t> SimDevice::frame(bool light, float tintMs, uint32_t averages) {
    const double fs = fullScale();
    const double scale = fs / 65535.0;
    const double readNoise = 6.0 * scale;
    const double countsPerElectron = 0.25;
    Rng rng(mix(cfg.seed, ++frames_));
    std::vector<int32_t> out(static_cast<size_t>(cfg.pixelCount));
    for (int i = 0; i < cfg.pixelCount; ++i) {
        Rng fixed(mix(cfg.seed ^ 0xF1F1F1F1ull, static_cast<uint64_t>(i)));
        double offset = scale * (900.0 + 40.0 * (fixed.uniform() - 0.5));
        double darkRate = scale * 0.5 * (0.8 + 0.4 * fixed.uniform());
        double signal = darkRate * tintMs + (light ? lightRate(i) * tintMs : 0.0);
        double mean = offset + signal;
        double v;
        if (mean >= fs) {
            v = fs;
        } else {
            double sigma = std::sqrt(readNoise * readNoise + signal * countsPerElectron * scale);
            v = mean + rng.normal() * sigma / std::sqrt(static_cast<double>(averages));
            v = std::clamp(std::round(v), 0.0, fs);
        }
        out[static_cast<size_t>(i)] = static_cast<int32_t>(v);
    }
    return out;
}

float SimDevice::autoTint(uint16_t* averages) const {
    double peak = 0;
    for (int i = 0; i < cfg.pixelCount; ++i)
        peak = std::max(peak, lightRate(i));
    const double fs = fullScale();
    double target = 0.75 * (fs - 900.0 * fs / 65535.0);
    float minTint = traitsOf(cfg.deviceType).minTintMs;
    float t = kMaxAutoTintMs;
    if (peak > 1e-9)
        t = static_cast<float>(std::clamp(target / peak, static_cast<double>(minTint),
                                          static_cast<double>(kMaxAutoTintMs)));
    if (averages)
        *averages = static_cast<uint16_t>(std::clamp(std::floor(100.0 / t), 1.0, 50.0));
    return t;
}

} // namespace zolt
