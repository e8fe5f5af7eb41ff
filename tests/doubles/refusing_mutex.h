#pragma once
// Holds a named mutex as an elevated copy's looks from a normal start: CreateMutexW answers
// ERROR_ACCESS_DENIED and OpenMutexW refuses even SYNCHRONIZE. The owner is the system, since Wine still
// lets an owner of its own wait on a mutex whose DACL is empty.
#include <windows.h>

#include <sddl.h>

#include "base/handles.h"

namespace vt::line {

inline UniqueKernelHandle HoldRefusingMutex(const wchar_t* name) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(L"O:SYD:", SDDL_REVISION_1, &descriptor, nullptr);
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
    UniqueKernelHandle mutex(CreateMutexW(&attributes, TRUE, name));
    LocalFree(descriptor);
    return mutex;
}

}  // namespace vt::line
