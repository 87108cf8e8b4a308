// One core-library call written to the session log in the fixed pattern every
// caller uses: the call line with the caller's text and at most one key
// argument, the call itself, then the status that ends the line ("**ERROR"
// when it is not 0).
//
//   link_CoreCall("comm_ReadParam, ZOLT_GetFit", ZOLT_GetFit, h, fit);
//   link_CoreCallKeep("comm_SetTrigger, ZOLT_SetTrigger", LogArg(mode),
//                     ZOLT_SetTrigger, dwCurrentDevice, mode);
//
// The call is a function with its arguments or any callable taking none.
#pragma once

#include <concepts>
#include <cstdint>
#include <functional>
#include <utility>

#include "link/log.h"
#include "link/shared_state.h"

// The key argument shown on a call line, written in the log's own forms.
class LogArg {
  public:
    constexpr LogArg() = default; // no argument
    constexpr LogArg(int v) : kind_(Kind::Int), int_(v) {}
    constexpr LogArg(const char* s) : kind_(Kind::Str), str_(s) {}
    static constexpr LogArg Float(float v) {
        LogArg a;
        a.kind_ = Kind::Float;
        a.float_ = v;
        return a;
    }
    // `format` as fileio_Log_Call_ArgULL takes it, e.g. "0x%012llX".
    static constexpr LogArg ULL(uint64_t v, const char* format) {
        LogArg a;
        a.kind_ = Kind::ULL;
        a.ull_ = v;
        a.str_ = format;
        return a;
    }

    void Write() const {
        switch (kind_) {
        case Kind::None:
            break;
        case Kind::Int:
            fileio_Log_Call_ArgInt(int_);
            break;
        case Kind::Str:
            fileio_Log_Call_ArgStr(str_);
            break;
        case Kind::Float:
            fileio_Log_Call_ArgFloat(float_);
            break;
        case Kind::ULL:
            fileio_Log_Call_ArgULL(ull_, str_);
            break;
        }
    }

  private:
    enum class Kind { None, Int, Str, Float, ULL };
    Kind kind_ = Kind::None;
    int int_ = 0;
    float float_ = 0.0f;
    uint64_t ull_ = 0;
    const char* str_ = nullptr;
};

// Logs `text` and `arg`, makes the call, logs its status and returns it.
template <class F, class... A>
requires std::invocable<F&, A&...>
int link_CoreCall(const char* text, LogArg arg, F&& call, A&&... args) {
    fileio_Log_Call(text);
    arg.Write();
    const int status = static_cast<int>(std::invoke(call, args...));
    fileio_Log_Result(status);
    return status;
}

template <class F, class... A>
requires std::invocable<F&, A&...>
int link_CoreCall(const char* text, F&& call, A&&... args) {
    return link_CoreCall(text, LogArg(), call, args...);
}

// The same, for callers whose status is kept: it also goes to dwError.
template <class F, class... A>
requires std::invocable<F&, A&...>
int link_CoreCallKeep(const char* text, LogArg arg, F&& call, A&&... args) {
    dwError = link_CoreCall(text, arg, call, args...);
    return dwError;
}

template <class F, class... A>
requires std::invocable<F&, A&...>
int link_CoreCallKeep(const char* text, F&& call, A&&... args) {
    return link_CoreCallKeep(text, LogArg(), call, args...);
}
