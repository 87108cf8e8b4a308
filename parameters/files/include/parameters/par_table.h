// The parameter-control table: which control on which tab page shows which
// instrument parameter, how it is queried and written, and how answers and
// log lines are read. Controls are named; the window maps names to its ids.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "parameters/par_text.h"

namespace parameters {

// Tab pages of the parameter window, by their index.
enum class ParTab : int {
    Root = 0,
    Adc = 1,
    Sens = 2,
    Comm = 3,
    Meas = 4,
    Scan = 5,
    Periph = 6,
    SpecFun = 7,
    Cor = 8,
    Other = 9,
};

// "ROOT", "ADC", "SENSOR", ...
std::string_view ParTab_Label(ParTab tab);

enum class ParPassword : std::uint8_t { No, Yes, NotType3 };
// Device types that have the row.
enum class ParRowTypes : std::uint8_t { All, Type3, Type3AndAbove };

// One row as written for every device type; the *3 fields, when not empty,
// replace query, set command and answer field for device type 3.
struct ParRowSpec {
    ParTab tab;
    std::string_view control;
    std::string_view query;
    std::string_view set;
    int answerField = 1;
    ParPassword password = ParPassword::No;
    ParRowTypes types = ParRowTypes::All;
    ParDataType dataType = ParDataType::UInt;
    bool identity = false; // says which instrument it is
    std::string_view query3 = {};
    std::string_view set3 = {};
    int answerField3 = 0;
};

namespace rows_detail {
using enum ParTab;
using enum ParDataType;
constexpr ParRowSpec R(ParTab tab, std::string_view control, std::string_view key,
                       ParDataType type = UInt, int field = 1, ParPassword pw = ParPassword::No) {
    // key is "<query>|<set>", written out in full below.
    const std::size_t bar = key.find('|');
    return ParRowSpec{tab,   control, key.substr(0, bar), key.substr(bar + 1),
                      field, pw,      ParRowTypes::All,   type};
}
} // namespace rows_detail

// Every row in table order.
inline constexpr auto kParameterRows = [] {
    using namespace rows_detail;
    using P = ParPassword;
    std::array<ParRowSpec, 96> r{{
        R(Root, "UT_VERS", "*VERS?\r|**Firmware version ", String),
        R(Root, "UT_SERN", "*PARA:SERN?\r|*PARA:SERN", String, 1, P::NotType3),
        R(Root, "UT_SPNUM", "*PARA:SPNUM?\r|*PARA:SPNUM"),
        R(Root, "UT_DEVNUM", "*PARA:DEVNUM?\r|*PARA:DEVNUM"),
        R(Scan, "UT_SCALTI", "*PARA:SCALTI?\r|*PARA:SCALTI"),
        R(Scan, "UT_TINT", "*PARA:TINT?\r|*PARA:TINT", Float),
        R(Scan, "UT_SDEL", "*PARA:SDEL?\r|*PARA:SDEL"),
        R(Scan, "UT_MAXTIN", "*PARA:MAXTINT?\r|*PARA:MAXTINT"),
        R(Scan, "UT_MAXAVER", "*PARA:MAXAVER?\r|*PARA:MAXAVER"),
        R(Scan, "UT_BORD_LOW", "*PARA:BORD?\r|*PARA:BORD"),
        R(Scan, "UT_BORD_HI", "*PARA:BORD?\r|*PARA:BORD", UInt, 2),
        R(Scan, "UT_CYCTIM", "*PARA:CYCTIM?\r|*PARA:CYCTIM"),
        R(Scan, "UT_SPLITDARK", "*PARA:SPLITDARK?\r|*PARA:SPLITDARK"),
        R(Scan, "UT_PREDARK", "*PARA:PREDARK?\r|*PARA:PREDARK"),
        R(Scan, "UT_PRELIGHT", "*PARA:PRELIGHT?\r|*PARA:PRELIGHT"),
        R(Scan, "UT_SPLITT", "*PARA:SPLITT?\r|*PARA:SPLITT"),
        R(Scan, "UT_FAST", "*PARA:FAST?\r|*PARA:FAST"),
        R(Periph, "UT_TRSL", "*PARA:TRSL?\r|*PARA:TRSL"),
        R(Periph, "UT_TRIG", "*PARA:TRIG?\r|*PARA:TRIG"),
        R(Periph, "UT_LAMPP", "*PARA:LAMPP?\r|*PARA:LAMPP"),
        R(Periph, "UT_LAMPE", "*PARA:LAMPE?\r|*PARA:LAMPE"),
        R(Periph, "UT_SHUT", "*PARA:SHUT?\r|*PARA:SHUT"),
        R(Periph, "UT_FLMODE", "*PARA:FLMODE?\r|*PARA:FLMODE"),
        R(Periph, "UT_FLAS_1", "*PARA:FLAS?\r|*PARA:FLAS"),
        R(Periph, "UT_FLAS_2", "*PARA:FLAS?\r|*PARA:FLAS", UInt, 2),
        R(Periph, "UT_TRGDEL", "*PARA:TRGDEL?\r|*PARA:TRGDEL"),
        R(Periph, "UT_TRMODE", "*PARA:TRMODE?\r|*PARA:TRMODE"),
        R(Periph, "UT_OPTIC", "*PARA:OPTIC?\r|*PARA:OPTIC"),
        R(Periph, "UT_LASMOD", "*PARA:LASMOD?\r|*PARA:LASMOD"),
        R(Periph, "UT_LASMOD_2", "*PARA:LASMOD?\r|*PARA:LASMOD", UInt, 2),
        R(Periph, "UT_LASERINT", "*PARA:LASERINT?\r|*PARA:LASERINT"),
        R(Periph, "UT_LASERLIM", "*PARA:LASERLIM?\r|*PARA:LASERLIM", UInt, 1, P::Yes),
        R(Periph, "UT_BTEN", "*CONF:BTEN?\r|*CONF:BTEN"),
        R(Periph, "UT_DISPEN", "*CONF:DISPEN?\r|*CONF:DISPEN"),
        R(Periph, "UT_RTCEN", "*CONF:RTCEN?\r|*CONF:RTCEN"),
        R(Periph, "UT_SDCARDEN", "*CONF:SDCARDEN?\r|*CONF:SDCARDEN"),
        R(Comm, "UT_SPIEN", "*PARA:SPIEN?\r|*PARA:SPIEN"),
        R(Comm, "UT_SPIMAST", "*PARA:SPIMAST?\r|*PARA:SPIMAST"),
        R(Comm, "UT_SPIBRATE", "*PARA:SPIBR?\r|*PARA:SPIBR"),
        R(Meas, "UT_WAVLIMIT_MIN", "*PARA:WAVLIMIT?\r|*PARA:WAVLIMIT", Float, 1, P::Yes),
        R(Meas, "UT_WAVLIMIT_MAX", "*PARA:WAVLIMIT?\r|*PARA:WAVLIMIT", Float, 2, P::Yes),
        R(Meas, "UT_ADAP", "*PARA:ADAP?\r|*PARA:ADAP"),
        R(Meas, "UT_FUNC", "*PARA:FUNC?\r|*PARA:FUNC"),
        R(Meas, "UT_CALIBN", "*PARA:CALIBN?\r|*PARA:CALIBN"),
        R(Meas, "UT_DISTA", "*PARA:DISTA?\r|*PARA:DISTA"),
        R(Meas, "UT_EXPO", "*PARA:EXPO?\r|*PARA:EXPO"),
        R(Meas, "UT_WAVSTEP", "*PARA:WAVSTEP?\r|*PARA:WAVSTEP", Float),
        R(Meas, "UT_BOXCA", "*PARA:BOXCA?\r|*PARA:BOXCA"),
        R(Meas, "UT_WAVBEG", "*PARA:WAVBEG?\r|*PARA:WAVBEG", Float),
        R(Meas, "UT_WAVEND", "*PARA:WAVEND?\r|*PARA:WAVEND", Float),
        R(Meas, "UT_FIT0", "*PARA:FIT0?\r|*PARA:FIT0", Float),
        R(Meas, "UT_FIT1", "*PARA:FIT1?\r|*PARA:FIT1", Float),
        R(Meas, "UT_FIT2", "*PARA:FIT2?\r|*PARA:FIT2", Float),
        R(Meas, "UT_FIT3", "*PARA:FIT3?\r|*PARA:FIT3", Float),
        R(Meas, "UT_FIT4", "*PARA:FIT4?\r|*PARA:FIT4", Float),
        R(Meas, "UT_SYNCMOD", "*PARA:SYNCMOD?\r|*PARA:SYNCMOD"),
        R(Meas, "UT_SYNCFREQ", "*PARA:SYNCFREQ?\r|*PARA:SYNCFREQ"),
        R(Meas, "UT_WRAN_START", "*PARA:WRAN?\r|*PARA:WRAN", Float),
        R(Meas, "UT_WRAN_END", "*PARA:WRAN?\r|*PARA:WRAN", Float, 2),
        R(Meas, "UT_WRAN_STEP", "*PARA:WRAN?\r|*PARA:WRAN", Float, 3),
        R(Meas, "UT_CONFAVER", "*CONF:AVER?\r|*CONF:AVER"),
        R(SpecFun, "UT_PONTIM", "*PARA:PONTIM?\r|*PARA:PONTIM"),
        R(SpecFun, "UT_PONMODE", "*PARA:PONMOD?\r|*PARA:PONMOD"),
        R(SpecFun, "UT_UMINTI", "*PARA:UMINTI?\r|*PARA:UMINTI"),
        R(SpecFun, "UT_ENCHAR", "*PARA:ENCHAR?\r|*PARA:ENCHAR"),
        R(SpecFun, "UT_TRGCONF", "*PARA:TRGCONF?\r|*PARA:TRGCONF"),
        R(SpecFun, "UT_ENCTURN", "*PARA:ENCTURN?\r|*PARA:ENCTURN"),
        R(Cor, "UT_CORRENA", "*PARA:CORRENA?\r|*PARA:CORRENA"),
        R(Cor, "UT_OFFCORR_BEG", "*PARA:OFFCORR?\r|*PARA:OFFCORR"),
        R(Cor, "UT_OFFCORR_END", "*PARA:OFFCORR?\r|*PARA:OFFCORR", UInt, 2),
        R(Cor, "UT_CORRRANGE_BEG", "*PARA:CORRRANGE?\r|*PARA:CORRRANGE"),
        R(Cor, "UT_CORRRANGE_END", "*PARA:CORRRANGE?\r|*PARA:CORRRANGE", UInt, 2),
        R(Cor, "UT_COR0", "*PARA:CORRCOEFF?\r|*PARA:CORRCOEFF 0", Float),
        R(Cor, "UT_COR1", "*PARA:CORRCOEFF?\r|*PARA:CORRCOEFF 1", Float, 2),
        R(Cor, "UT_COR2", "*PARA:CORRCOEFF?\r|*PARA:CORRCOEFF 2", Float, 3),
        R(Cor, "UT_COR3", "*PARA:CORRCOEFF?\r|*PARA:CORRCOEFF 3", Float, 4),
        R(Cor, "UT_ANCFAC", "*PARA:ANCFAC?\r|*PARA:ANCFAC", Float),
        R(Sens, "UT_FAULTY", "*PARA:FAULTPI?\r|*PARA:FAULTPI", String),
        R(Sens, "UT_SENS", "*PARA:SENS?\r|*PARA:SENS"),
        R(Sens, "UT_PIX", "*PARA:PIX?\r|*PARA:PIX"),
        R(Sens, "UT_PDAG", "*PARA:PDAG?\r|*PARA:PDAG", String),
        R(Sens, "UT_OVSAMP", "*PARA:OVSAMP?\r|*PARA:OVSAMP"),
        R(Sens, "UT_PIXBIN", "*PARA:PIXBIN?\r|*PARA:PIXBIN"),
        R(Other, "UT_LDLIMIT", "*PARA:LDLIMIT?\r|*PARA:LDLIMIT"),
        R(Other, "UT_LDCURR", "*PARA:LDCURR?\r|*PARA:LDCURR"),
        R(Other, "UT_BMGTRIG", "*PARA:BMGTRIG?\r|*PARA:BMGTRIG"),
        R(Other, "UT_ENAROW98", "*PARA:ENAROW98?\r|*PARA:ENAROW98"),
        R(Other, "UT_FRAME", "*PARA:FRAME?\r|*PARA:FRAME"),
        R(Other, "UT_SUMLI", "*PARA:SUMLI?\r|*PARA:SUMLI"),
        R(Adc, "UT_OFFS", "*PARA:OFFS?\r|*PARA:OFFS", Int),
        R(Adc, "UT_ADCR", "*PARA:ADCR?\r|*PARA:ADCR", UInt, 1, P::NotType3),
        R(Adc, "UT_ADCV", "*PARA:ADCV?\r|*PARA:ADCV", Int),
        R(Adc, "UT_GAIN", "*PARA:GAIN?\r|*PARA:GAIN"),
        R(Comm, "UT_FORM", "*PARA:FORM?\r|*PARA:FORM"),
        R(Comm, "UT_BAUD", "*PARA:BAUD?\r|*PARA:BAUD"),
        R(Comm, "UT_DIRECT", "*PARA:DIRECT?\r|*PARA:DIRECT"),
    }};
    for (ParRowSpec& s : r) {
        if (s.control == "UT_SERN" || s.control == "UT_SPNUM" || s.control == "UT_DEVNUM")
            s.identity = true;
        if (s.control == "UT_DEVNUM")
            s.types = ParRowTypes::Type3AndAbove;
        if (s.control == "UT_PIXBIN")
            s.types = ParRowTypes::Type3;
        if (s.control == "UT_CONFAVER") {
            s.query3 = "*PARA:AVER?\r";
            s.set3 = "*PARA:AVER";
        }
        if (s.control == "UT_PIX") {
            s.query3 = "*PARA:SENS?\r";
            s.set3 = "*PARA:SENS";
            s.answerField3 = 2;
        }
    }
    return r;
}();

// One row of the table for the connected instrument, with its initial value
// (the value last read, the reference for "changed").
struct ParameterControl {
    ParTab tab = ParTab::Root;
    std::string_view control;
    int answerField = 1;
    bool needsPassword = false;
    std::string_view queryCommand;
    std::string_view setCommand;
    ParDataType dataType = ParDataType::UInt;
    bool identity = false;
    ParValue init;
};

// Rebuilds table for deviceType (94 rows for types 0-2, 96 for type 3, 95
// for 4 and above). Rows that keep their index and control keep their
// initial value, as a re-read of the same instrument expects.
void PU_InitParameters(int deviceType, std::vector<ParameterControl>& table);

// Index of the first row showing control on tab; table.size() when none.
std::size_t PU_ControlName_to_Index(const std::vector<ParameterControl>& table, ParTab tab,
                                    std::string_view control);

// The table with the controls' current values, as the text export and the
// command builder take it. current and answered are indexed like table;
// missing entries count as unanswered with the row's initial value.
std::vector<ParTextRow> PU_TextRows(const std::vector<ParameterControl>& table,
                                    std::span<const ParValue> current,
                                    const std::vector<bool>& answered);

// The command that writes row: its command line (every row sharing the set
// command contributes its value), the password after one blank when the row
// needs one, then a carriage return. logText is the same with the password
// masked, for the log. False with error when the command is too long.
struct ParSetCommand {
    std::string command;
    std::string logText;
    std::string error;
};
bool PU_SetParameterCommand(const std::vector<ParameterControl>& table,
                            std::span<const ParTextRow> rows, std::size_t row,
                            std::string_view password, ParSetCommand* out);

// Whether a control's value differs from its initial value: by content for
// strings, and for floats also when either is not a number.
bool PU_ValueChanged(const ParValue& init, const ParValue& current);

// The set commands a parameter text may replay (the firmware version, which
// cannot be written, is left out).
std::vector<KnownSetCommand> PU_KnownSetCommands(const std::vector<ParameterControl>& table);

// The answer separators: colon, semicolon, line feed, tab; blank too for
// device type 3.
std::string_view PU_AnswerSeparators(int deviceType);

// Index of the first character of the n-th run of separator characters in
// text (runs counted from 1); -1 when there are fewer runs or n < 1.
int interp_FindSeparator(std::string_view text, std::string_view separators, int n);

// The text of the row's answer field: after the (answerField)th separator
// run, (answerField - 1)th for device type 3 (whose answers are bare
// values); the whole answer when there is no such run.
std::string_view PU_AnswerField(std::string_view answer, int answerField, int deviceType);

// True when the instrument refused the query (answer begins with NAK).
bool PU_AnswerRefused(std::string_view answer);

// Converts one answer field into a control value of type: integers and floats
// from the leading number of the trimmed text, strings the whole trimmed
// text with control characters as blanks. Nothing when the text is empty,
// holds no leading number, or the number does not fit the type (the
// caller treats the row as unanswered).
std::optional<ParValue> PU_FirmwareAnswer_to_ControlValue(ParDataType type, std::string_view text);

// The answers made up for the rows that are read by dedicated calls, in the
// form the field splitting of the device type expects.
std::string PU_CorrCoeffAnswer(const float coeffs[4], int deviceType);
std::string PU_AverConfAnswer(std::uint16_t average);

// A log-page line: control characters and blanks spelt out (<NAK> <ACK> <SP>
// <CR> <LF> <TAB> <ETX>), other bytes as they are.
std::string PU_AddParLogLine(std::string_view text);

} // namespace parameters
