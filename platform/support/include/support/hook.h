// One entry of a wiring table: a named function pointer that one place (the
// program's start-up) binds.  Calling an entry nobody bound says
// "<name>: not built yet" on standard error, once per entry, and returns the
// entry's fallback value, so a missing piece is visible and never a crash.
//
//   support::Hook<int(), -1> fileio_ReadIniFile{"fileio_ReadIniFile"};
//   table.fileio_ReadIniFile = fileio_ReadIniFile;   // bind
//   int r = table.fileio_ReadIniFile();              // call (-1 while unbound)
#pragma once

#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

namespace support {

// What a walk over a table reports for one entry.
struct HookEntry {
    const char* name;
    bool bound;
};

// Writes "<name>: not built yet" to standard error.
void SayNotBuiltYet(const char* name);

template <class Signature, auto Fallback = 0> class Hook;

template <class R, class... Args, auto Fallback> class Hook<R(Args...), Fallback> {
  public:
    using Function = R (*)(Args...);

    constexpr explicit Hook(const char* name) : name_(name) {}

    // Binds the entry (nullptr unbinds it).
    Hook& operator=(Function fn) {
        fn_ = fn;
        said_ = false;
        return *this;
    }

    R operator()(Args... args) const {
        if (fn_ != nullptr)
            return fn_(args...);
        if (!said_) {
            said_ = true;
            SayNotBuiltYet(name_);
        }
        if constexpr (!std::is_void_v<R>)
            return static_cast<R>(Fallback);
    }

    bool bound() const { return fn_ != nullptr; }
    const char* name() const { return name_; }
    HookEntry entry() const { return {name_, fn_ != nullptr}; }

  private:
    const char* name_;
    Function fn_ = nullptr;
    mutable bool said_ = false; // said "not built yet" since the last binding
};

// Every entry has the same size, so a table whose size is that of as many
// entries as its Entries() reports lists each member there:
//   static_assert(support::ListsEveryEntry<MyHooks>());
template <class Table> constexpr bool ListsEveryEntry() {
    using List = decltype(std::declval<const Table&>().Entries());
    return sizeof(Table) == std::tuple_size_v<List> * sizeof(Hook<void()>);
}

} // namespace support
