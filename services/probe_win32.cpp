#include <msxml2.h>
#include <oleauto.h>
#include <windows.h>

#include "base/function_lookup.h"
#include "base/handles.h"
#include "base/text.h"
#include "services/probe.h"

namespace vt {
namespace {

// Not in MinGW's uuid library.
constexpr CLSID kXmlHttpClsid = {
    0xED8C108E, 0x4349, 0x11D2, {0x91, 0xA4, 0x00, 0xC0, 0x4F, 0x79, 0x69, 0xE8}};
constexpr IID kXmlHttpRequestIid = {
    0xED8C108D, 0x4349, 0x11D2, {0x91, 0xA4, 0x00, 0xC0, 0x4F, 0x79, 0x69, 0xE8}};

// The COM libraries are loaded at the first probe rather than at start-up: under Wine they cost over a
// megabyte of private memory, and a subscriber without the redial option never probes.
struct ComLibrary {
    using CoInitializeExFn = HRESULT(WINAPI*)(void*, DWORD);
    using CoUninitializeFn = void(WINAPI*)();
    using CoCreateInstanceFn = HRESULT(WINAPI*)(REFCLSID, IUnknown*, DWORD, REFIID, void**);
    using SysAllocStringFn = BSTR(WINAPI*)(const OLECHAR*);
    using SysFreeStringFn = void(WINAPI*)(BSTR);
    using SysStringLenFn = UINT(WINAPI*)(BSTR);

    CoInitializeExFn co_initialize_ex = nullptr;
    CoUninitializeFn co_uninitialize = nullptr;
    CoCreateInstanceFn co_create_instance = nullptr;
    SysAllocStringFn sys_alloc_string = nullptr;
    SysFreeStringFn sys_free_string = nullptr;
    SysStringLenFn sys_string_len = nullptr;

    bool ready() const {
        return co_initialize_ex && co_uninitialize && co_create_instance && sys_alloc_string &&
               sys_free_string && sys_string_len;
    }

    // Loaded once and kept: unloading COM while objects may linger is not worth the memory.
    static const ComLibrary& Get() {
        static const ComLibrary library = Load();
        return library;
    }

private:
    static ComLibrary Load() {
        ComLibrary library;
        library.co_initialize_ex = LookUpFunction<CoInitializeExFn>(L"ole32.dll", "CoInitializeEx");
        library.co_uninitialize = LookUpFunction<CoUninitializeFn>(L"ole32.dll", "CoUninitialize");
        library.co_create_instance = LookUpFunction<CoCreateInstanceFn>(L"ole32.dll", "CoCreateInstance");
        library.sys_alloc_string = LookUpFunction<SysAllocStringFn>(L"oleaut32.dll", "SysAllocString");
        library.sys_free_string = LookUpFunction<SysFreeStringFn>(L"oleaut32.dll", "SysFreeString");
        library.sys_string_len = LookUpFunction<SysStringLenFn>(L"oleaut32.dll", "SysStringLen");
        return library;
    }
};

class ComApartment {
public:
    explicit ComApartment(const ComLibrary& com)
        : com_(com), result_(com.co_initialize_ex(nullptr, COINIT_APARTMENTTHREADED)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(result_)) com_.co_uninitialize();
    }

private:
    const ComLibrary& com_;
    HRESULT result_;
};

class Bstr {
public:
    explicit Bstr(const ComLibrary& com, const wchar_t* text = nullptr)
        : com_(com), value_(text ? com.sys_alloc_string(text) : nullptr) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { com_.sys_free_string(value_); }
    BSTR get() const { return value_; }
    BSTR* put() {
        com_.sys_free_string(value_);
        value_ = nullptr;
        return &value_;
    }

private:
    const ComLibrary& com_;
    BSTR value_ = nullptr;
};

VARIANT EmptyVariant() {
    VARIANT value;
    ZeroMemory(&value, sizeof(value));
    value.vt = VT_EMPTY;
    return value;
}

// Dispatches every pending message; false when WM_QUIT came, whose exit code is then in `quit_code`.
bool PumpMessages(WPARAM& quit_code) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit_code = msg.wParam;
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

}  // namespace

bool ProbeInternet(std::string_view url) {
    const ComLibrary& com = ComLibrary::Get();
    if (!com.ready()) return false;
    // The apartment outlives the request object, which is released before it.
    ComApartment apartment(com);
    ComPtr<IXMLHTTPRequest> request;
    if (FAILED(com.co_create_instance(kXmlHttpClsid, nullptr, CLSCTX_INPROC_SERVER, kXmlHttpRequestIid,
                                      request.put_void())))
        return false;
    Bstr method(com, L"GET");
    Bstr address(com, Utf8ToWide(url).c_str());
    VARIANT async = EmptyVariant();
    async.vt = VT_BOOL;
    async.boolVal = VARIANT_TRUE;
    VARIANT absent = EmptyVariant();  // user and password are not given
    absent.vt = VT_ERROR;
    absent.scode = DISP_E_PARAMNOTFOUND;
    if (FAILED(request->open(method.get(), address.get(), async, absent, absent))) return false;
    VARIANT no_body = EmptyVariant();
    if (FAILED(request->send(no_body))) return false;

    // The time-out counts whole seconds of a monotonic clock: the probe gives up once the second count
    // has moved on by more than the limit since sending. A wall clock set back during the wait would
    // otherwise keep a silent server's probe waiting for good.
    const DWORD sent = GetTickCount();
    const DWORD limit_ms = (kProbeTimeoutSeconds + 1) * 1000 - sent % 1000;
    bool quit = false;
    WPARAM quit_code = 0;
    bool complete = false;
    for (;;) {
        if (!PumpMessages(quit_code)) {
            quit = true;
            break;
        }
        long state = 0;
        if (SUCCEEDED(request->get_readyState(&state)) && state == 4) {
            complete = true;
            break;
        }
        DWORD elapsed = GetTickCount() - sent;
        if (elapsed >= limit_ms) break;
        // Sleeps until a message arrives or the time is up, and no more often: the request's progress
        // reaches this apartment's thread as window messages, so its state cannot change between them.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, limit_ms - elapsed, QS_ALLINPUT);
    }

    bool online = false;
    if (complete) {
        Bstr text(com);
        online = SUCCEEDED(request->get_responseText(text.put())) && text.get() &&
                 com.sys_string_len(text.get()) > 0;
    } else {
        request->abort();
    }
    request.reset();
    // The caller's message loop must still see the quit request that the wait took from the queue.
    if (quit) PostQuitMessage(static_cast<int>(quit_code));
    return online;
}

}  // namespace vt
