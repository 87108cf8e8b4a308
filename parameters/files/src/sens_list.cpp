#include "parameters/sens_list.h"

#include <sys/stat.h>

#include <charconv>

#include "support/numfmt.h"
#include "support/program_dir.h"
#include "support/read_file.h"

namespace parameters {
namespace {

class Words {
  public:
    explicit Words(std::string_view text) : rest_(text) {}
    // The next white-space separated item, or false at the end.
    bool Next(std::string_view* word) {
        std::size_t i = 0;
        while (i < rest_.size() && Blank(rest_[i]))
            ++i;
        std::size_t j = i;
        while (j < rest_.size() && !Blank(rest_[j]))
            ++j;
        *word = rest_.substr(i, j - i);
        rest_.remove_prefix(j);
        return !word->empty();
    }

  private:
    static bool Blank(char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    }
    std::string_view rest_;
};

bool WholeNumber(std::string_view w, int* out, bool allowNegative = false) {
    if (w.size() > 1 && w[0] == '+' && w[1] != '-')
        w.remove_prefix(1);
    int v = 0;
    const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), v);
    if (w.empty() || ec != std::errc() || end != w.data() + w.size() || (v < 0 && !allowNegative))
        return false;
    *out = v;
    return true;
}

} // namespace

std::string SensList_FileName(int deviceType) {
    return deviceType == 3 ? "SPECSENs_TKRx7.ini" : "SPECSENs.ini";
}

std::string SensList_Path(int deviceType) {
    const std::string name = SensList_FileName(deviceType);
    struct stat st {};
    if (stat(name.c_str(), &st) == 0)
        return name;
    const std::string dir = support::ProgramDir();
    const std::string beside = dir + "/" + name;
    return !dir.empty() && stat(beside.c_str(), &st) == 0 ? beside : name;
}

SensList SensList_Parse(std::string_view text, int deviceType) {
    SensList list;
    Words words(text);
    const bool twoNumbers = deviceType != 3;
    bool skipping = twoNumbers; // until the "ZOLT:" record
    for (int record = 1;; ++record) {
        std::string_view name, number, unused;
        if (!words.Next(&name))
            break;
        const bool complete = words.Next(&number) && (!twoNumbers || words.Next(&unused));
        int value = 0, ignored = 0;
        if (!complete || name.size() > kMaxSensorNameLength || !WholeNumber(number, &value) ||
            (twoNumbers && !WholeNumber(unused, &ignored, true))) {
            list.stoppedAt = support::FormatC("record %d does not match", record);
            break;
        }
        if (skipping) {
            skipping = name.find("ZOLT:") == std::string_view::npos;
            continue;
        }
        if (list.sensors.size() >= kMaxSensors) {
            list.stoppedAt = support::FormatC("more than %zu sensors", kMaxSensors);
            break;
        }
        list.sensors.push_back({value, std::string(name)});
    }
    return list;
}

int PU_LoadSensList(const std::string& path, int deviceType, SensList* out, std::string* error) {
    std::string text;
    std::string why;
    if (support::ReadRegularFile(path, kMaxSensListFileSize, &text, &why) != 0) {
        if (error)
            *error = path + ": " + why;
        return -1;
    }
    *out = SensList_Parse(text, deviceType);
    return 0;
}

std::string SensList_EntryText(const Sensor& s) {
    return support::FormatC("%.3d    %s", s.number, s.name.c_str());
}

} // namespace parameters
