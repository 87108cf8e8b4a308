#include "parameters/par_block.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "numtext.h"
#include "support/numfmt.h"

namespace parameters {
namespace {

using T = ParBlockType;

class LayoutBuilder {
  public:
    void Field(std::string label, T type, int offset, int size = 0) {
        rows_.push_back({std::move(label), type, {}, size, offset});
    }
    // Consecutive fields of one type, width bytes apart.
    void Run(T type, int offset, int width, std::initializer_list<const char*> labels) {
        for (const char* l : labels) {
            Field(l, type, offset);
            offset += width;
        }
    }
    // "<prefix><n><suffix>" for n = 1..count.
    void Numbered(T type, int offset, int width, const char* prefix, int count,
                  const char* suffix = ": ") {
        for (int n = 1; n <= count; ++n)
            Field(prefix + std::to_string(n) + suffix, type, offset + (n - 1) * width);
    }
    void Sep() { rows_.push_back({"", T::Separator, {}, 0, 0}); }
    std::vector<ParBlockItem> Take() { return std::move(rows_); }

  private:
    std::vector<ParBlockItem> rows_;
};

std::vector<ParBlockItem> BuildLayout() {
    LayoutBuilder b;
    b.Field("Firmware version: ", T::String, 0, 64);
    b.Run(T::Float, 64, 4,
          {"Device ID: ", "Channels: ", "Pixels: ", "Integration time: ", "Trigger: ",
           "Sensor type: "});
    b.Sep();
    b.Run(T::UChar, 88, 1,
          {"Calib. mode rad: ", "Calib. mode irrad: ", "Calib. mode rad flux: ",
           "Calib. mode rad int: "});
    b.Sep();
    b.Run(T::UShort, 92, 2,
          {"Calib. intensity rad: ", "Calib. intensity irrad: ", "Calib. intensity rad flux: ",
           "Calib. intensity rad int: "});
    b.Sep();
    b.Run(T::UShort, 100, 2,
          {"sc30 row width: ", "sc30 col width: ", "sc30 wav begin: ", "sc30 wav end: ",
           "sc30 beg pix: ", "sc30 iter: ", "sc30 sample: ", "sc30 count: "});
    b.Sep();
    b.Run(T::UShort, 116, 2, {"TEC repeat time for inc/dec: ", "TEC cycle time: "});
    b.Sep();
    b.Run(T::UShort, 120, 2, {"Integration time for check channel: ", "Threshold: "});
    b.Field("Preheat: ", T::Float, 124);
    b.Run(T::Short, 128, 2, {"Wav beg: ", "Wav end: ", "Wav stp: "});
    b.Field("Res134: ", T::UShort, 134);
    b.Field("Scans: ", T::Float, 136);
    b.Run(T::Hex32, 140, 4, {"Conf flag: ", "Check-configuration: "});
    b.Run(T::Float, 148, 4,
          {"Bit size of ADU: ", "Border max: ", "Border min: ", "Number of calibration data file: ",
           "Cycle length before next fastscan: ", "Wave min: ", "Wave max: ",
           "Dark factor (count/ms): "});
    b.Run(T::UShort, 180, 2, {"Noise border: ", "Minimal peak to peak distance: "});
    b.Run(T::UChar, 184, 1,
          {"Obere SLD-Nr: ", "Untere SLD-Nr: ", "Regelmodus: ", "Maximale Peakanzahl: "});
    b.Run(T::UShort, 188, 2, {"Minimal gueltiger Peakwert: ", "Config: "});
    b.Run(T::UChar, 192, 1, {"Anfangs-SLD-Tabellenwert: ", "Count of char per RTI: "});
    b.Run(T::UShort, 194, 2,
          {"Suchbeginn Ref.-Peak: ", "Suchende Ref.-Peak: ", "DARK Bereichsanfang: ",
           "DARK Bereichsende: ", "Peakausblendung pos: ", "Peakausblendung neg: ",
           "Peakintegr.-Bereich pos: ", "Peakintegr.-Bereich neg: ",
           "Intensitaetsregelung max Wert: ", "Intensitaetsregelung min Wert: ",
           "Spectrum Anfang: ", "Spectrum Ende: ", "Header  Pixel: ", "Trailer Pixel: ",
           "pwm val: ", "Temperature read interval: ", "Boxcar count: ", "Split time: "});
    b.Sep();
    b.Run(T::UChar, 230, 1,
          {"Predefined exposition mode: ", "Predefined adaption mode: ", "Predefined format: ",
           "Predefined function: "});
    b.Run(T::UShort, 234, 2,
          {"Time for one integration cycle [us]: ", "Count of integration cycles: ",
           "Regler_type: ", "Measurement distance: ", "ADC (0-ad9826 1-ht82v26 2-ht82v36): ",
           "Intervall between flash pulses: ", "Flash puls length: "});
    b.Run(T::Float, 248, 4, {"Baudrate: ", "Device number: "});
    b.Sep();
    for (int ch = 1; ch <= 6; ++ch) {
        const std::string p = "Ch" + std::to_string(ch) + ". ";
        int off = 256 + 64 * (ch - 1);
        for (const char* name : {"Fit0: ", "Fit1: ", "Fit2: ", "Fit3: ", "Fit4: ", "Gain: ",
                                 "Offset: ", "Start pixel: ", "End pixel: "}) {
            b.Field(p + name, T::Float, off);
            off += 4;
        }
        b.Numbered(T::Float, off, 4, (p + "Reserve ").c_str(), 7);
        b.Sep();
    }
    for (int k = 1; k <= 16; ++k) {
        const std::string p = "Peak brd " + std::to_string(k);
        b.Field(p + " beg: ", T::Float, 640 + 8 * (k - 1));
        b.Field(p + " end: ", T::Float, 644 + 8 * (k - 1));
    }
    b.Sep();
    b.Run(T::Float, 768, 4,
          {"Corr factor sc30: ", "Solltemp: ", "Faktor p-control: ", "Faktor i-control: ",
           "Faktor d-control: "});
    b.Run(T::UShort, 788, 2,
          {"tmp_sensor: ", "Triggercycle: ", "tec_thresh(thresh. for full control: "});
    b.Field("Ref ADC (analog voltage): ", T::Float, 794);
    b.Sep();
    b.Run(T::UShort, 798, 2,
          {"FFT Mesurement frequency: ", "FFT Integration time / us: ",
           "FFT count of measurements: "});
    b.Sep();
    b.Numbered(T::UShort, 804, 2, "Res_002 ", 14);
    b.Sep();
    b.Run(T::UShort, 832, 2,
          {"Laser cycle time: ", "laser duty cycle: ", "Min PWM value: ", "Max PWM value: "});
    b.Sep();
    b.Field("Number of fault pixels: ", T::UShort, 840);
    b.Numbered(T::UShort, 842, 2, "Fault pixel ", 19);
    b.Sep();
    b.Run(
        T::UShort, 880, 2,
        {"Scalti: ", "Res 882: ", "LimWavMin: ", "LimWavMax: ", "Lint step: ", "Trigger delay: "});
    b.Run(T::ULong, 892, 4, {"pontime: ", "umintim: "});
    b.Field("Max tint: ", T::UShort, 900);
    b.Sep();
    b.Numbered(T::UShort, 902, 2, "Trigger position ", 20);
    b.Numbered(T::UChar, 942, 1, "Trigger function ", 20);
    b.Sep();
    b.Field("Increments per turn: ", T::UShort, 962);
    b.Sep();
    b.Numbered(T::UShort, 964, 2, "Res_894 ", 7);
    b.Sep();
    b.Run(T::UShort, 978, 2, {"ldcurr: ", "LdMaxCurr: ", "cal_stat: "});
    b.Field("lmp_stat: ", T::UShort, 986);
    b.Sep();
    b.Field("User text: ", T::String, 990, 32);
    b.Sep();
    b.Field("Check sum (no need to change it; it is done automatically): ", T::UShort, 1022);
    return b.Take();
}

// Byte width a row occupies in the block.
std::size_t Width(const ParBlockItem& r) {
    switch (r.type) {
    case T::String:
        return r.size > 0 ? static_cast<std::size_t>(r.size) : 0;
    case T::UChar:
        return 1;
    case T::UShort:
    case T::Short:
        return 2;
    case T::Float:
    case T::Hex32:
    case T::ULong:
        return 4;
    default:
        return 0;
    }
}

bool Fits(const ParBlockItem& r) {
    const std::size_t w = Width(r);
    return w > 0 && r.offset >= 0 && static_cast<std::size_t>(r.offset) + w <= kParBlockSize;
}

std::string TypeText(const ParBlockItem& r) {
    switch (r.type) {
    case T::String:
        return support::FormatC("%s %d characters", "String", r.size);
    case T::Float:
        return "Float number";
    case T::UChar:
        return "Unsigned char [0 to 255]";
    case T::UShort:
        return "Unsigned short [0 to 65,535]";
    case T::Short:
        return "Short [-32,768 to 32,767]";
    case T::Hex32:
        return "4 bytes as hex";
    case T::ULong:
        return "Unsigned long [0 to 4,294,967,295]";
    default:
        return {};
    }
}

bool ParseHex32(std::string_view s, std::uint32_t* out) {
    if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        s.remove_prefix(2);
    if (s.empty())
        return false;
    std::uint64_t v = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        v = v * 16 + static_cast<std::uint64_t>(d);
        if (v > 0xFFFFFFFFu)
            return false;
    }
    *out = static_cast<std::uint32_t>(v);
    return true;
}

} // namespace

std::vector<ParBlockItem> PU_InitParBlock() {
    static const std::vector<ParBlockItem> layout = BuildLayout();
    return layout;
}

std::uint16_t ParBlock_GetU16(const ParBlock& b, std::size_t o) {
    if (o + 2 > kParBlockSize)
        return 0;
    return static_cast<std::uint16_t>(b[o] | (b[o + 1] << 8));
}

std::uint32_t ParBlock_GetU32(const ParBlock& b, std::size_t o) {
    if (o + 4 > kParBlockSize)
        return 0;
    return static_cast<std::uint32_t>(b[o]) | (static_cast<std::uint32_t>(b[o + 1]) << 8) |
           (static_cast<std::uint32_t>(b[o + 2]) << 16) |
           (static_cast<std::uint32_t>(b[o + 3]) << 24);
}

float ParBlock_GetFloat(const ParBlock& b, std::size_t o) {
    const std::uint32_t bits = ParBlock_GetU32(b, o);
    float f;
    std::memcpy(&f, &bits, sizeof f); // fields are not always 4-byte aligned
    return f;
}

void ParBlock_PutU16(ParBlock& b, std::size_t o, std::uint16_t v) {
    if (o + 2 > kParBlockSize)
        return;
    b[o] = static_cast<std::uint8_t>(v);
    b[o + 1] = static_cast<std::uint8_t>(v >> 8);
}

void ParBlock_PutU32(ParBlock& b, std::size_t o, std::uint32_t v) {
    if (o + 4 > kParBlockSize)
        return;
    for (int i = 0; i < 4; ++i)
        b[o + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

void ParBlock_PutFloat(ParBlock& b, std::size_t o, float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    ParBlock_PutU32(b, o, bits);
}

std::string main_32bit_to_binary(std::uint32_t value) {
    std::string s;
    s.reserve(40);
    for (int bit = 31; bit >= 0; --bit) {
        s += (value >> bit) & 1u ? '1' : '0';
        if (bit % 4 == 0)
            s += ' ';
    }
    return s;
}

std::string ParBlock_ValueText(const ParBlock& b, const ParBlockItem& r) {
    if (!Fits(r))
        return {};
    const auto o = static_cast<std::size_t>(r.offset);
    switch (r.type) {
    case T::String: {
        const char* p = reinterpret_cast<const char*>(b.data() + o);
        return std::string(p, strnlen(p, static_cast<std::size_t>(r.size)));
    }
    case T::Float:
        return detail::FloatFixedOrShort(ParBlock_GetFloat(b, o));
    case T::UChar:
        return support::FormatC("%d", b[o]);
    case T::UShort:
        return support::FormatC("%d", ParBlock_GetU16(b, o));
    case T::Short:
        return support::FormatC("%d", static_cast<std::int16_t>(ParBlock_GetU16(b, o)));
    case T::ULong:
        return support::FormatC("%lu", static_cast<unsigned long>(ParBlock_GetU32(b, o)));
    case T::Hex32: {
        const std::uint32_t v = ParBlock_GetU32(b, o);
        return support::FormatC("0x%X (%s)", v, main_32bit_to_binary(v).c_str());
    }
    default:
        return {};
    }
}

std::vector<ParBlockLine> PU_ParBlockBuffer_Interprate(const ParBlock& block,
                                                       std::vector<ParBlockItem>& rows) {
    std::vector<ParBlockLine> lines;
    lines.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size() && rows[i].type != T::End; ++i) {
        ParBlockItem& r = rows[i];
        r.valueText = ParBlock_ValueText(block, r);
        ParBlockLine line;
        line.row = static_cast<int>(i);
        line.text = r.type == T::Separator ? std::string("-------")
                                           : support::FormatC("%04d  %s%s", r.offset,
                                                              r.label.c_str(), r.valueText.c_str());
        lines.push_back(std::move(line));
    }
    return lines;
}

bool ParBlock_EditPrompt(const ParBlock& block, const ParBlockItem& row, ParBlockEditPrompt* out) {
    if (!Fits(row))
        return false;
    out->title = row.label;
    out->typeText = TypeText(row);
    out->message = support::FormatC("%s\nCurrent value: %s", out->typeText.c_str(),
                                    ParBlock_ValueText(block, row).c_str());
    out->maxLength = row.type == T::String ? row.size : 15;
    return true;
}

ParBlockEditResult ParBlock_ApplyEdit(ParBlock& block, const ParBlockItem& row,
                                      std::string_view input) {
    ParBlockEditResult res;
    ParBlockEditPrompt prompt;
    if (!ParBlock_EditPrompt(block, row, &prompt)) {
        res.error = "This line holds no value.";
        return res;
    }
    if (input.size() > static_cast<std::size_t>(prompt.maxLength)) {
        res.error = support::FormatC("At most %d characters.", prompt.maxLength);
        return res;
    }
    const auto o = static_cast<std::size_t>(row.offset);
    if (row.type == T::String) {
        std::memset(block.data() + o, 0, static_cast<std::size_t>(row.size));
        std::memcpy(block.data() + o, input.data(), input.size());
        res.ok = true;
        return res;
    }
    const std::string text(detail::Trim(input));
    const auto refuse = [&] {
        res.error = support::FormatC("\"%s\" is not a value for %s.", text.c_str(),
                                     prompt.typeText.c_str());
        return res;
    };
    switch (row.type) {
    case T::Float: {
        double d = 0;
        if (!support::ParseDoubleC(detail::PointForComma(text).c_str(), &d) ||
            std::fabs(d) > FLT_MAX)
            return refuse();
        const float f = static_cast<float>(d);
        if (f == 0.0f && d != 0.0)
            return refuse(); // would silently become 0
        ParBlock_PutFloat(block, o, f);
        break;
    }
    case T::UChar:
    case T::UShort:
    case T::ULong: {
        const unsigned long long max = row.type == T::UChar    ? 0xFFu
                                       : row.type == T::UShort ? 0xFFFFu
                                                               : 0xFFFFFFFFu;
        unsigned long long v = 0;
        if (!support::ParseULongC(text.c_str(), &v) || v > max)
            return refuse();
        if (row.type == T::UChar)
            block[o] = static_cast<std::uint8_t>(v);
        else if (row.type == T::UShort)
            ParBlock_PutU16(block, o, static_cast<std::uint16_t>(v));
        else
            ParBlock_PutU32(block, o, static_cast<std::uint32_t>(v));
        break;
    }
    case T::Short: {
        long long v = 0;
        if (!support::ParseLongC(text.c_str(), &v) || v < -32768 || v > 32767)
            return refuse();
        ParBlock_PutU16(block, o, static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
        break;
    }
    case T::Hex32: {
        std::uint32_t v = 0;
        if (!ParseHex32(text, &v))
            return refuse();
        ParBlock_PutU32(block, o, v);
        break;
    }
    default:
        return refuse();
    }
    res.ok = true;
    return res;
}

} // namespace parameters
