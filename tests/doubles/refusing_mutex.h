#pragma once
// A named mutex as a copy at another integrity level holds it, seen from a normal start: the name is
// taken and nothing of it may be opened, so CreateMutexW answers ERROR_ACCESS_DENIED and OpenMutexW
// refuses even SYNCHRONIZE. On Windows an elevated copy's mutex carries its token's default DACL, which
// a normal token does not match. Here the owner is the system and the DACL empty: Wine still lets an
// owner of its own open the mutex to wait on it, which Windows does not. Header-only, for tests.
#include <windows.h>

#include <sddl.h>

namespace vt::line {

class RefusingMutex {
public:
    explicit RefusingMutex(const wchar_t* name) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"O:SYD:", SDDL_REVISION_1, &descriptor,
                                                                  nullptr))
            return;
        SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
        mutex_ = CreateMutexW(&attributes, TRUE, name);
        LocalFree(descriptor);
    }
    ~RefusingMutex() { Close(); }
    RefusingMutex(const RefusingMutex&) = delete;
    RefusingMutex& operator=(const RefusingMutex&) = delete;
    bool held() const { return mutex_ != nullptr; }
    // The holder ends: the name goes with its last handle.
    void Close() {
        if (mutex_) CloseHandle(mutex_);
        mutex_ = nullptr;
    }

private:
    HANDLE mutex_ = nullptr;
};

}  // namespace vt::line
