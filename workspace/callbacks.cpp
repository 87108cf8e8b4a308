// Binds every callback name of the two resource files to a function: the real
// ones of each workspace module, and for each callback on kNotBuiltYet a
// stand-in that only says so.
#include <array>
#include <cstddef>
#include <cstdio>
#include <utility>

#include "export/output_links.h"
#include "export/protocol.h"
#include "export/sheet_output.h"
#include "export/spectrum_file.h"
#include "link/readouts.h"
#include "parameters/par_window.h"
#include "ui/ui.h"
#include "workspace/axis_mode.h"
#include "workspace/connection.h"
#include "workspace/display.h"
#include "workspace/eval.h"
#include "workspace/layout.h"
#include "workspace/measure.h"
#include "workspace/not_built_yet.h"
#include "workspace/orvalin.h"
#include "workspace/smooth.h"
#include "workspace/stats.h"

namespace {

constexpr std::size_t kNumNotBuilt = std::size(kNotBuiltYet);

void SayNotBuilt(const char* name) {
    std::fprintf(stderr, "callback %s: not built yet\n", name);
}

template <std::size_t I> int CtrlStub(int, int, int event, void*, int, int) {
    // Timer ticks and focus changes would repeat the line endlessly.
    if (event == EVENT_COMMIT || event == EVENT_VAL_CHANGED || event == EVENT_LEFT_DOUBLE_CLICK)
        SayNotBuilt(kNotBuiltYet[I].name);
    return 0;
}

template <std::size_t I> void MenuStub(int, int, void*, int) {
    SayNotBuilt(kNotBuiltYet[I].name);
}

template <std::size_t... I>
constexpr std::array<CtrlCallbackPtr, sizeof...(I)> CtrlStubs(std::index_sequence<I...>) {
    return {&CtrlStub<I>...};
}

template <std::size_t... I>
constexpr std::array<MenuCallbackPtr, sizeof...(I)> MenuStubs(std::index_sequence<I...>) {
    return {&MenuStub<I>...};
}

} // namespace

void orvalin_RegisterBuiltCallbacks() {
    RegisterCtrlCallback("Quit", Quit);
    RegisterMenuCallback("FILE_quit", FILE_quit);
    readouts_RegisterCallbacks();
    measure_RegisterCallbacks();
    display_RegisterCallbacks();
    eval_RegisterCallbacks();
    axis_RegisterCallbacks();
    smooth_RegisterCallbacks();
    stats_RegisterCallbacks();
    layout_RegisterCallbacks();
    protocol_RegisterCallbacks();
    links_RegisterCallbacks();
    excel_RegisterCallbacks();
    valfile_RegisterCallbacks();
    parameters_RegisterCallbacks();
    connection_RegisterCallbacks();
}

void orvalin_RegisterCallbacks() {
    static constexpr auto kCtrlStubs = CtrlStubs(std::make_index_sequence<kNumNotBuilt>{});
    static constexpr auto kMenuStubs = MenuStubs(std::make_index_sequence<kNumNotBuilt>{});
    for (std::size_t i = 0; i < kNumNotBuilt; ++i) {
        if (kNotBuiltYet[i].kind == Unbuilt::Control)
            RegisterCtrlCallback(kNotBuiltYet[i].name, kCtrlStubs[i]);
        else if (kNotBuiltYet[i].kind == Unbuilt::Menu)
            RegisterMenuCallback(kNotBuiltYet[i].name, kMenuStubs[i]);
    }
    orvalin_RegisterBuiltCallbacks();
}
