#pragma once
// A function of a system library that older systems lack (or that a library loaded late holds), looked up
// by name at run time, typed as the caller declares it.
#include <windows.h>

#include <type_traits>

namespace vt {

// The address of `name` in `library`, or null where the library or the function is missing. A library no
// part of the process has loaded yet is loaded by the system's search and stays loaded for the process's
// life, so the address stays good.
FARPROC LookUpAddress(const wchar_t* library, const char* name);

// The same, as the function pointer type `Fn` (for example `BOOL(WINAPI*)(HWND)`).
template <typename Fn>
Fn LookUpFunction(const wchar_t* library, const char* name) {
    static_assert(std::is_pointer_v<Fn> && std::is_function_v<std::remove_pointer_t<Fn>>);
    // Through a function pointer of no parameters: the one cast between function types that compilers
    // accept without a warning.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(LookUpAddress(library, name)));
}

}  // namespace vt
