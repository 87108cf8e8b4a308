// The sample changer at the user's bench: text commands that change what is
// in the beam, switch the lamp, fire the trigger or pull the cable.  zolt-sim
// reads them on its standard input; an in-process instrument from the
// control file its configuration names.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <sstream>

#include "sim_model.hpp"

namespace zolt {

ControlResult applyControl(SimDevice& dev, const std::string& line, BenchEvents events,
                           std::string& message) {
    std::string text = line.substr(0, line.find('#'));
    std::vector<std::string> w = words(lower(text));
    if (w.empty())
        return ControlResult::Blank;
    auto fail = [&](const std::string& why) {
        message = why;
        return ControlResult::Error;
    };
    const std::string& verb = w[0];
    if (verb == "sample" && w.size() == 2) {
        if (w[1] == "none")
            dev.cfg.sample = ZSIM_SAMPLE_NONE;
        else if (w[1] == "holmium")
            dev.cfg.sample = ZSIM_SAMPLE_HOLMIUM;
        else if (w[1] == "emission")
            dev.cfg.sample = ZSIM_SAMPLE_EMISSION;
        else
            return fail("unknown sample '" + w[1] + "' (none, holmium or emission)");
        message = std::string("sample ") + sampleName(dev.cfg.sample);
        return ControlResult::Done;
    }
    if (verb == "lamp" && w.size() == 2 && (w[1] == "on" || w[1] == "off")) {
        dev.lampPower = w[1] == "on";
        message = "lamp " + w[1];
        return ControlResult::Done;
    }
    if ((verb == "trigger" || verb == "unplug" || verb == "plug") && w.size() == 1) {
        const bool cable = verb != "trigger";
        if (events == BenchEvents::None || (events == BenchEvents::Cable && !cable))
            return ControlResult::Blank;
        message = verb;
        if (verb == "trigger") {
            dev.triggerPending = true;
            dev.triggerAnnounced = false;
        } else {
            dev.unplugged = verb == "unplug";
        }
        return ControlResult::Done;
    }
    return fail("unknown command '" + text +
                "' (sample none|holmium|emission, lamp on|off, trigger, unplug, plug)");
}

void SimDevice::readControl(BenchEvents events) {
    if (cfg.control[0] == '\0')
        return;
    struct stat st {};
    std::string path(cfg.control, strnlen(cfg.control, sizeof cfg.control));
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > 64 * 1024)
        return; // no file yet (or not one of commands): nothing to change
    long long stamp = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    std::string text, error;
    if (!readTextFile(path, 64 * 1024, text, error))
        return;
    if (text == controlSeen_ && stamp == controlStamp_)
        return;
    // Commands appended since the last look run; a rewritten file runs whole.
    size_t from = text.compare(0, controlSeen_.size(), controlSeen_) == 0 ? controlSeen_.size() : 0;
    if (text == controlSeen_)
        from = 0;
    // Only whole lines: a command still being written waits for its newline.
    size_t end = text.rfind('\n');
    end = end == std::string::npos || end < from ? from : end + 1;
    std::istringstream lines(text.substr(from, end - from));
    std::string line, message;
    while (std::getline(lines, line))
        if (applyControl(*this, line, events, message) == ControlResult::Error)
            std::fprintf(stderr, "zolt_core: %s: %s\n", path.c_str(), message.c_str());
    controlSeen_ = text.substr(0, end);
    controlStamp_ = stamp;
}

} // namespace zolt
