// Device state and the per-device calls: measurement timing, fetches,
// resampling and switches.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "sim_model.hpp"
#include "zolt_core.h"

namespace zolt {

namespace {

constexpr double kReadoutMs = 0.5; // dead time per frame

} // namespace

void SimDevice::update(double now, const Knobs& knobs) {
    if (running_ && !knobs.neverEnding && now >= endAt_) {
        running_ = false;
        switch (runFunction_) {
        case ZOLT_FUNC_DARK:
            dark_ = std::move(pending_);
            break;
        case ZOLT_FUNC_REFER:
            refer_ = std::move(pending_);
            break;
        default:
            light_ = std::move(pending_);
            break;
        }
        pending_.clear();
    }
    if (adapting_ && now >= adaptEnd_) {
        adapting_ = false;
        tintConf_ = adaptTint_;
        averages_ = adaptAver_;
    }
}

bool SimDevice::transRefl(std::vector<double>& out) const {
    if (light_.empty() || dark_.empty() || refer_.empty())
        return false;
    out.resize(light_.size());
    for (size_t i = 0; i < light_.size(); ++i) {
        double ref = static_cast<double>(refer_[i]) - dark_[i];
        out[i] = ref > 0 ? (static_cast<double>(light_[i]) - dark_[i]) / ref * 100.0 : 0.0;
    }
    return true;
}

int SimDevice::lint(const std::vector<double>& y, const Call& c, Reply& r) const {
    double first = static_cast<double>(c.i[0]), last = static_cast<double>(c.i[1]), step = c.f[0];
    if (!(step > 0) || !std::isfinite(step) || last < first)
        return ZOLT_E_STEP_WIDTH;
    double n = std::floor((last - first) / step) + 1;
    if (n > kMaxLintPoints)
        return ZOLT_E_INVALID_ARG;
    size_t count = static_cast<size_t>(n);
    std::vector<double> wl(y.size());
    for (size_t i = 0; i < y.size(); ++i)
        wl[i] = wavelength(static_cast<int>(i));
    std::vector<float> out(count, 0.0f);
    size_t j = 0;
    for (size_t k = 0; k < count; ++k) {
        double x = first + static_cast<double>(k) * step;
        if (x < wl.front() || x > wl.back())
            continue; // outside the detector: 0
        while (j + 2 < wl.size() && wl[j + 1] < x)
            ++j;
        double span = wl[j + 1] - wl[j];
        double t = span > 0 ? (x - wl[j]) / span : 0.0;
        out[k] = static_cast<float>(y[j] + t * (y[j + 1] - y[j]));
    }
    r.data.assign(reinterpret_cast<const char*>(out.data()), out.size() * sizeof(float));
    return ZOLT_OK;
}

Reply SimDevice::execute(const Call& c, double now, const Knobs& knobs) {
    Reply r;
    const TypeTraits& tr = traitsOf(cfg.deviceType);
    update(now, knobs);
    auto counts = [&](const std::vector<int32_t>& v) {
        if (running_ || v.empty()) {
            r.status = ZOLT_E_BUSY;
            return;
        }
        r.data.assign(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(int32_t));
    };
    auto asDouble = [](const std::vector<int32_t>& v) {
        return std::vector<double>(v.begin(), v.end());
    };
    auto lintOf = [&](const std::vector<int32_t>& v) {
        if (running_ || v.empty())
            r.status = ZOLT_E_BUSY;
        else
            r.status = lint(asDouble(v), c, r);
    };
    auto setWhileIdle = [&](bool valid, auto apply) {
        if (busy())
            r.status = ZOLT_E_BUSY;
        else if (!valid)
            r.status = ZOLT_E_INVALID_ARG;
        else
            apply();
    };
    switch (c.fn) {
    case Fn::Hello:
        open(now);
        r.i[0] = cfg.deviceType;
        r.i[1] = cfg.pixelCount;
        r.i[2] = cfg.baudrate;
        r.data.assign(cfg.serial, strnlen(cfg.serial, sizeof cfg.serial));
        break;
    case Fn::Close:
        break;
    case Fn::Reset:
        open(now);
        break;
    case Fn::GetFirmwareVersion:
        r.data = cfg.firmware;
        break;
    case Fn::GetFit:
        for (int k = 0; k < 5; ++k)
            r.f[k] = cfg.fit[k];
        break;
    case Fn::GetPixel:
        r.i[0] = cfg.pixelCount;
        break;
    case Fn::GetPixelBinning:
        r.i[0] = cfg.binning;
        break;
    case Fn::GetTint:
        r.f[0] = tintConf_;
        break;
    case Fn::GetADCRes:
        r.i[0] = cfg.adcBits;
        break;
    case Fn::GetSDelay:
        r.i[0] = cfg.sDelayMs;
        break;
    case Fn::GetSplitTime:
        r.i[0] = cfg.splitTimeMs;
        break;
    case Fn::GetBorder:
        r.i[0] = borderLow_;
        r.i[1] = borderHigh_;
        break;
    case Fn::GetMinTintConf:
        r.f[0] = tr.minTintMs;
        break;
    case Fn::GetDeviceType:
        r.i[0] = cfg.deviceType;
        break;
    case Fn::GetOptTrigg:
        r.i[0] = cfg.deviceType == 3 ? 1 : 0;
        break;
    case Fn::GetBaudrate:
        r.i[0] = cfg.baudrate;
        break;
    case Fn::GetCorrectionStat:
        r.i[0] = cfg.correctionStat;
        break;
    case Fn::GetCorrectionRange:
        r.i[0] = cfg.corrRangeFirst;
        r.i[1] = cfg.corrRangeLast;
        break;
    case Fn::GetCorrectionCoeff:
        for (int k = 0; k < 4; ++k)
            r.f[k] = cfg.corrCoeff[k];
        break;
    case Fn::SetTrigger:
        if (c.i[0] < 0 || c.i[0] > 2)
            r.status = ZOLT_E_INVALID_ARG;
        else
            trigger_ = static_cast<int>(c.i[0]);
        break;
    case Fn::GetEnquiry:
        r.i[0] = triggerPending ? 1 : enquiry;
        triggerPending = false;
        triggerAnnounced = false;
        break;
    case Fn::PeekEvent: // is a trigger waiting that nobody was told of?
        readControl(BenchEvents::All);
        r.i[0] = triggerPending && !triggerAnnounced ? 1 : 0;
        triggerAnnounced = triggerAnnounced || triggerPending;
        break;
    case Fn::ArbitraryCommand:
        if (c.data.empty() || c.data.size() > kMaxCommand || c.data.back() != '\r' ||
            c.data.find('\0') != std::string::npos)
            r.status = ZOLT_E_INVALID_ARG;
        else
            r.data = command(c.data);
        break;
    case Fn::Break:
        running_ = false;
        pending_.clear();
        adapting_ = false;
        break;
    case Fn::SetShutterStat:
    case Fn::SetLaserStat: {
        bool has = c.fn == Fn::SetShutterStat ? tr.shutter : tr.laser;
        if (!has)
            r.status = ZOLT_E_NOT_SUPPORTED;
        else if (c.i[0] != 0 && c.i[0] != 1)
            r.status = ZOLT_E_INVALID_ARG;
        else
            (c.fn == Fn::SetShutterStat ? shutter_ : laser_) = static_cast<int>(c.i[0]);
        break;
    }
    case Fn::GetShutterStat:
        if (!tr.shutter)
            r.status = ZOLT_E_NOT_SUPPORTED;
        else
            r.i[0] = shutter_;
        break;
    case Fn::GetLaserStat:
        if (!tr.laser)
            r.status = ZOLT_E_NOT_SUPPORTED;
        else
            r.i[0] = laser_;
        break;
    case Fn::GetMeasHead:
        if (!tr.measHead)
            r.status = ZOLT_E_NOT_SUPPORTED;
        else
            r.i[0] = cfg.measHead;
        break;
    case Fn::GetTemperature:
        r.f[0] = std::isnan(temperature) ? 23.5 + 1.2 * (1.0 - std::exp(-(now - openedAt_) / 600.0))
                                         : temperature;
        break;
    case Fn::GetBatteryStat:
        r.f[0] = batteryFixed ? batteryVolts : tr.batteryVolts;
        r.i[0] = batteryFixed ? batteryPercent : tr.batteryPercent;
        r.i[1] = batteryFixed ? batteryCharging : tr.charging;
        break;
    case Fn::GetFlickerFreq:
        if (!tr.flicker)
            r.status = ZOLT_E_NOT_SUPPORTED;
        else if (busy())
            r.status = ZOLT_E_BUSY;
        else if (cfg.flickerHz > 0)
            r.f[0] = cfg.flickerHz;
        else
            r.i[0] = flickerWarning != 0 ? flickerWarning : cfg.flickerHz < 0 ? 12 : 11;
        break;
    case Fn::StartAdaption: {
        if (!tr.adaption)
            r.status = ZOLT_E_NOT_SUPPORTED;
        else if (c.i[0] != 0)
            r.status = ZOLT_E_INVALID_ARG;
        else if (busy())
            r.status = ZOLT_E_BUSY;
        else {
            adaptTint_ = autoTint(&adaptAver_);
            // A few trial integrations walk from the present time to the result.
            float t0 = tintConf_ > 0 ? tintConf_ : 10.0f;
            trials_.clear();
            double total = 0;
            for (int k = 0; k < 4; ++k) {
                float t = static_cast<float>(t0 * std::pow(adaptTint_ / t0, (k + 1) / 4.0));
                trials_.push_back(t);
                total += t + 5.0;
            }
            adapting_ = true;
            adaptStart_ = now;
            adaptEnd_ = now + total / 1000.0 * knobs.timeFactor;
        }
        break;
    }
    case Fn::CheckAdaptionStat:
        if (adapting_) {
            double frac = (now - adaptStart_) / std::max(1e-9, adaptEnd_ - adaptStart_);
            size_t k = std::min(trials_.size() - 1,
                                static_cast<size_t>(frac * static_cast<double>(trials_.size())));
            r.f[0] = trials_[k];
            r.i[0] = 1;
            r.i[1] = 1;
        } else {
            r.f[0] = tintConf_;
            r.i[0] = averages_;
            r.i[1] = 0;
        }
        break;
    case Fn::GetAverConf:
        r.i[0] = kMaxAverages;
        r.i[1] = averages_;
        break;
    case Fn::GetParamBlock:
        if (!tr.paramBlock)
            r.status = ZOLT_E_NOT_SUPPORTED;
        else {
            captureLive();
            std::vector<uint8_t> b = composeBlock();
            r.data.assign(b.begin(), b.end());
        }
        break;
    case Fn::SetParamBlock:
        if (!tr.paramBlock)
            r.status = ZOLT_E_NOT_SUPPORTED;
        else if (c.data.size() != ZOLT_PARAM_BLOCK_SIZE)
            r.status = ZOLT_E_INVALID_ARG;
        else if (busy())
            r.status = ZOLT_E_BUSY;
        else
            r.status = writeBlock(c.data);
        break;
    case Fn::SetExposureConf:
        setWhileIdle(c.i[0] == 1 || c.i[0] == 2, [&] { exposure_ = static_cast<int>(c.i[0]); });
        break;
    case Fn::SetTintConf: {
        double t = c.f[0];
        bool ok = std::isfinite(t) && (t == 0.0 || (t >= tr.minTintMs - 1e-9 && t <= kMaxTintMs));
        setWhileIdle(ok, [&] { tintConf_ = static_cast<float>(t); });
        break;
    }
    case Fn::GetTintConf:
        r.f[0] = tintConf_;
        r.i[0] = 0;
        break;
    case Fn::SetAdaptConf:
        setWhileIdle(c.i[0] == 0 || c.i[0] == 1, [&] { adaptConf_ = static_cast<int>(c.i[0]); });
        break;
    case Fn::SetAverConf:
        setWhileIdle(c.i[0] >= 1 && c.i[0] <= kMaxAverages,
                     [&] { averages_ = static_cast<uint32_t>(c.i[0]); });
        break;
    case Fn::SetFunctionConf:
        setWhileIdle(c.i[0] >= ZOLT_FUNC_LIGHT && c.i[0] <= ZOLT_FUNC_TRANSREFL,
                     [&] { function_ = static_cast<int>(c.i[0]); });
        break;
    case Fn::SetFormatConf:
        setWhileIdle(c.i[0] >= 0 && c.i[0] <= 2, [&] { format_ = static_cast<int>(c.i[0]); });
        break;
    case Fn::InitMeasure: {
        if (busy()) {
            r.status = ZOLT_E_BUSY;
            break;
        }
        readControl(BenchEvents::All); // what the user changed at the bench since
        bool dark = function_ == ZOLT_FUNC_DARK;
        double extraMs = 0;
        float tint = tintConf_;
        if (exposure_ == 1 || tint <= 0) {
            uint16_t unused = 1;
            tint = autoTint(&unused);
            extraMs = 4.0 * (tint + 5.0); // the automatic exposure's own trials
            tintConf_ = tint;
        }
        double ms = averages_ * (tint + kReadoutMs) + extraMs + (dark ? 0.0 : cfg.sDelayMs);
        if (cfg.splitTimeMs > 0 && tint > cfg.splitTimeMs && !dark)
            ms += averages_ * tint;
        pending_ = frame(!dark, tint, averages_);
        // "*contr:lamp 0" darkens one acquisition: the program switches the
        // lamp off before each dark step and never on again.
        lampOn_ = true;
        runFunction_ = function_;
        running_ = true;
        endAt_ = now + ms / 1000.0 * knobs.timeFactor;
        sleeping_ = false;
        break;
    }
    case Fn::MeasureStatusCore:
        r.i[0] = running_ ? 1 : 0;
        break;
    case Fn::FetchDark:
        counts(dark_);
        break;
    case Fn::FetchLight:
        counts(light_);
        break;
    case Fn::FetchRefer:
        counts(refer_);
        break;
    case Fn::FetchTransRefl: {
        std::vector<double> t;
        if (running_ || !transRefl(t)) {
            r.status = ZOLT_E_BUSY;
            break;
        }
        std::vector<int32_t> v(t.size());
        for (size_t i = 0; i < t.size(); ++i)
            v[i] = static_cast<int32_t>(std::lround(std::clamp(t[i] * 100.0, -2.0e9, 2.0e9)));
        r.data.assign(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(int32_t));
        break;
    }
    case Fn::CalcLintDark:
        lintOf(dark_);
        break;
    case Fn::CalcLintLight:
        lintOf(light_);
        break;
    case Fn::CalcLintRefer:
        lintOf(refer_);
        break;
    case Fn::CalcLintTransRefl: {
        std::vector<double> t;
        if (running_ || !transRefl(t))
            r.status = ZOLT_E_BUSY;
        else
            r.status = lint(t, c, r);
        break;
    }
    case Fn::Count:
        r.status = ZOLT_E_NOT_SUPPORTED;
        break;
    }
    return r;
}

} // namespace zolt
