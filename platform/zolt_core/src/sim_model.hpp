// The simulated instrument: configuration, physics and the device-side
// behaviour of every per-device call.  The same code runs in process (behind
// libzolt_core) and in the zolt-sim program behind a TCP socket, so a call is
// expressed as one generic Call/Reply pair that either path can carry.
#pragma once

#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "zolt_sim.h"

namespace zolt {

// Every per-device operation; the order is the wire numbering, append only.
// clang-format off
#define ZOLT_WIRE_FUNCS(X) \
    X(Hello) \
    X(Close) \
    X(Reset) \
    X(GetFirmwareVersion) \
    X(GetFit) \
    X(GetPixel) \
    X(GetPixelBinning) \
    X(GetTint) \
    X(GetADCRes) \
    X(GetSDelay) \
    X(GetSplitTime) \
    X(GetBorder) \
    X(GetMinTintConf) \
    X(GetDeviceType) \
    X(GetOptTrigg) \
    X(GetBaudrate) \
    X(GetCorrectionStat) \
    X(GetCorrectionRange) \
    X(GetCorrectionCoeff) \
    X(SetTrigger) \
    X(GetEnquiry) \
    X(ArbitraryCommand) \
    X(Break) \
    X(SetShutterStat) \
    X(GetShutterStat) \
    X(SetLaserStat) \
    X(GetLaserStat) \
    X(GetMeasHead) \
    X(GetTemperature) \
    X(GetBatteryStat) \
    X(GetFlickerFreq) \
    X(StartAdaption) \
    X(CheckAdaptionStat) \
    X(GetAverConf) \
    X(GetParamBlock) \
    X(SetParamBlock) \
    X(SetExposureConf) \
    X(SetTintConf) \
    X(GetTintConf) \
    X(SetAdaptConf) \
    X(SetAverConf) \
    X(SetFunctionConf) \
    X(SetFormatConf) \
    X(InitMeasure) \
    X(MeasureStatusCore) \
    X(FetchDark) \
    X(FetchLight) \
    X(FetchRefer) \
    X(FetchTransRefl) \
    X(CalcLintDark) \
    X(CalcLintLight) \
    X(CalcLintRefer) \
    X(CalcLintTransRefl) \
    X(PeekEvent)
// clang-format on

enum class Fn : uint16_t {
#define ZOLT_X(n) n,
    ZOLT_WIRE_FUNCS(ZOLT_X)
#undef ZOLT_X
        Count
};

struct Call {
    Fn fn = Fn::Hello;
    int64_t i[4] = {0, 0, 0, 0};
    double f[2] = {0, 0};
    std::string data;
};

struct Reply {
    int32_t status = 0;
    int64_t i[4] = {0, 0, 0, 0};
    double f[5] = {0, 0, 0, 0, 0};
    std::string data;
};

// Process-wide test knobs that shape measurement timing.
struct Knobs {
    double timeFactor = 1.0;
    bool neverEnding = false;
};

// What a device type has.  Absent features answer ZOLT_E_NOT_SUPPORTED.
struct TypeTraits {
    bool shutter, laser, measHead, flicker, dateTime, sleep, paramBlock, adaption;
    float minTintMs;
    float batteryVolts;
    uint8_t batteryPercent, charging;
};
const TypeTraits& traitsOf(int deviceType);

constexpr int kMinPixels = 16;
constexpr int kMaxPixels = 4096;
constexpr float kMaxTintMs = 60000.0f;
constexpr uint32_t kMaxAverages = 65535;
constexpr long kMaxLintPoints = 4000000;
constexpr size_t kMaxCommand = 256;

// One copy of the instrument's parameters: each key's fields as the
// instrument answers them ("PARA:BORD" -> {"66", "89"}), and the block's
// bytes that no key holds.
struct ParamSet {
    std::map<std::string, std::vector<std::string>> keys;
    std::vector<uint8_t> block;
};

// Which bench events a look at the control file acts on; the others pass.
enum class BenchEvents {
    None,  // at power-on: a stale trigger must not fire
    Cable, // while no program uses the instrument: unplug and plug
    All,   // during acquisitions and event waits: trigger too
};

class SimDevice {
  public:
    explicit SimDevice(const ZSimDevice& c) : cfg(c) {}

    ZSimDevice cfg;
    bool isOpen = false;
    bool unplugged = false;
    int enquiry = 0;             // what GetEnquiry answers (zsim_SetEnquiry)
    bool triggerPending = false; // one 1 after a fired trigger
    // Read-out answers fixed by the test seam (zsim_SetBattery ...).
    bool batteryFixed = false;
    float batteryVolts = 0.0f;
    uint8_t batteryPercent = 0, batteryCharging = 0;
    float temperature = std::nanf(""); // NaN: the warming model
    int flickerWarning = 0;            // 0: by cfg.flickerHz
    bool triggerAnnounced = false;     // its device-event message is out
    bool lampPower = true;             // the bench lamp ("lamp on|off")

    // Brings the instrument to its power-on state.
    void open(double now);
    Reply execute(const Call& c, double now, const Knobs& knobs);

    double wavelength(int pixel) const;
    // Runs the commands added to the control file since the last look:
    // sample and lamp always, the events that `events` admits.
    void readControl(BenchEvents events);

  private:
    double fullScale() const;
    double signalRate(int pixel) const; // counts per ms of light reaching the detector
    double lightRate(int pixel) const;  // with lamp, shutter and sample applied
    std::vector<int32_t> frame(bool light, float tintMs, uint32_t averages);
    float autoTint(uint16_t* averages) const;
    void update(double now, const Knobs& knobs);
    bool busy() const { return running_ || adapting_; }
    std::string command(const std::string& cmd);
    int lint(const std::vector<double>& y, const Call& c, Reply& r) const;
    bool transRefl(std::vector<double>& out) const;
    // The instrument's parameter store (sim_params.cpp, sim_block.cpp).
    ParamSet factoryParams() const;
    void applyParams(); // working copy -> what the getters and the physics use
    void captureLive(); // integration time and averaging as measurement set them
    std::string query(const std::string& key);
    std::string setKey(const std::string& key, const std::string& rest);
    // Canonical fields of key, or false when the instrument refuses them;
    // current holds the key's present fields.
    bool checkFields(const std::string& key, std::vector<std::string>& fields,
                     const std::vector<std::string>& current) const;
    std::vector<uint8_t> composeBlock() const;
    int writeBlock(const std::string& data);

    // configuration of the next measurement
    int exposure_ = 2;
    float tintConf_ = 10.0f;
    int adaptConf_ = 0;
    uint32_t averages_ = 1;
    int function_ = 1; // light
    int format_ = 0;
    int trigger_ = 0;
    // switches
    bool lampOn_ = true;
    int shutter_ = 0; // 0 open, 1 closed
    int laser_ = 0;
    bool sleeping_ = false;
    double openedAt_ = 0;
    double clockOffset_ = 0; // set by "*DATE"/"*TIME", seconds
    // measurement
    bool running_ = false;
    double endAt_ = 0;
    int runFunction_ = 0;
    std::vector<int32_t> pending_;
    std::vector<int32_t> dark_, light_, refer_;
    uint64_t frames_ = 0;
    // adaption
    bool adapting_ = false;
    double adaptStart_ = 0, adaptEnd_ = 0;
    std::vector<float> trials_;
    float adaptTint_ = 0;
    uint16_t adaptAver_ = 1;
    // stores
    ParamSet working_, saved_, backup_;
    bool stored_ = false; // saved_ and backup_ hold the first power-on's values
    uint8_t borderLow_ = 'B', borderHigh_ = 'Y';
    // control file as last read
    std::string controlSeen_;
    long long controlStamp_ = 0;
};

enum class ControlResult { Done, Blank, Error };
// One sample-changer command line; message says what was done or what is wrong.
ControlResult applyControl(SimDevice& dev, const std::string& line, BenchEvents events,
                           std::string& message);

// The whole of a small text file the user names (a configuration, a bench
// control file): refused unless a regular file of at most maxBytes, and never
// blocking on a named pipe. error says why (the caller names the path).
bool readTextFile(const std::string& path, std::size_t maxBytes, std::string& text,
                  std::string& error);

// Configuration text: see the README section of the simulator.
bool parseConfig(const std::string& text, std::vector<ZSimDevice>& out, std::string& error);
bool validateDevice(const ZSimDevice& d, std::string& error);
void defaultDevice(ZSimDevice& d, int ordinal = 0);
const char* sampleName(int sample);

// Sample reference data.
const std::vector<double>& holmiumBands();
const std::vector<double>& emissionLines();
constexpr double kEmissionFwhm = 1.5;

// Trims and copies into a fixed char field, always NUL-terminated.
void copyText(char* dst, size_t size, const std::string& src);

// Text helpers shared by the configuration and the text commands.
std::string trim(const std::string& s);
std::string lower(std::string s);
// Whole text a number within lo..hi; false for anything else.
bool parseLong(const std::string& s, long long lo, long long hi, long long& out, int base = 10);
bool parseDouble(const std::string& s, double& out); // finite numbers only
std::vector<std::string> words(const std::string& s);
std::string fmtNum(double v);
const char* defaultFirmware(int deviceType);
// Writes the sum of bytes 0..1021 into bytes 1022..1023 of a parameter block.
void blockChecksum(std::vector<uint8_t>& block);
// The block bytes that no parameter key holds, as the instrument leaves the factory.
std::vector<uint8_t> factoryBlock(const ZSimDevice& cfg);
// The shortest text that reads back as the same float.
std::string fmtFloat(float v);

// The secrets the instrument asks for.
inline constexpr char kFirmwarePassword[] = "7391"; // last word of a protected row's set
inline constexpr char kAccessCode[] = "58vorn73";   // of "*para:backup" and "*para:restore"

} // namespace zolt
