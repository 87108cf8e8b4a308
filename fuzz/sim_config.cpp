// The simulator's configuration text, and every instrument it accepts taken
// through a measurement of each kind, so what the reader lets through is
// also what the optics can compute.
#include <cstdint>
#include <string>
#include <vector>

#include "sim_model.hpp"
#include "zolt_core.h"

namespace {

using namespace zolt;

Reply run(SimDevice& d, double& t, Fn fn, int64_t a = 0, int64_t b = 0, double x = 0) {
    Call c;
    c.fn = fn;
    c.i[0] = a;
    c.i[1] = b;
    c.f[0] = x;
    t += 1.0e6; // longer than any configurable measurement
    return d.execute(c, t, Knobs{});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<ZSimDevice> devs;
    std::string error;
    if (!parseConfig(text, devs, error))
        return 0;
    for (size_t k = 0; k < devs.size() && k < 2; ++k) {
        SimDevice d(devs[k]);
        double t = 0;
        run(d, t, Fn::Hello);
        for (int fn : {ZOLT_FUNC_DARK, ZOLT_FUNC_REFER, ZOLT_FUNC_LIGHT}) {
            run(d, t, Fn::SetFunctionConf, fn);
            run(d, t, Fn::InitMeasure);
        }
        run(d, t, Fn::FetchTransRefl);
        run(d, t, Fn::SetTintConf, 0, 0, 0.0); // automatic exposure
        run(d, t, Fn::InitMeasure);
        run(d, t, Fn::StartAdaption);
        run(d, t, Fn::CheckAdaptionStat);
        double first = d.wavelength(0), last = d.wavelength(devs[k].pixelCount - 1);
        if (first > -1.0e6 && last < 1.0e6 && first < last)
            run(d, t, Fn::CalcLintTransRefl, static_cast<int64_t>(first),
                static_cast<int64_t>(last), 1.0);
        Call cmd;
        cmd.fn = Fn::ArbitraryCommand;
        cmd.data = "*PARA:FIT0?\r";
        d.execute(cmd, t, Knobs{});
    }
    return 0;
}
