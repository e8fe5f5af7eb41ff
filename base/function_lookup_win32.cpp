#include "base/function_lookup.h"

namespace vt {

FARPROC LookUpAddress(const wchar_t* library, const char* name) {
    HMODULE module = GetModuleHandleW(library);
    if (!module) module = LoadLibraryW(library);
    return module ? GetProcAddress(module, name) : nullptr;
}

}  // namespace vt
