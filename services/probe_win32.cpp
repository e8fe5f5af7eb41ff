#include <msxml2.h>
#include <oleauto.h>
#include <windows.h>

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

// How long one wait for messages or the request may last before the clock is looked at again.
constexpr DWORD kWaitSliceMs = 50;

class ComApartment {
public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }

private:
    HRESULT result_;
};

class Bstr {
public:
    explicit Bstr(const wchar_t* text) : value_(SysAllocString(text)) {}
    Bstr() = default;
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(value_); }
    BSTR get() const { return value_; }
    BSTR* put() {
        SysFreeString(value_);
        value_ = nullptr;
        return &value_;
    }

private:
    BSTR value_ = nullptr;
};

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
    ComApartment apartment;
    ComPtr<IXMLHTTPRequest> request;
    if (FAILED(CoCreateInstance(kXmlHttpClsid, nullptr, CLSCTX_INPROC_SERVER, kXmlHttpRequestIid,
                                request.put_void())))
        return false;
    Bstr method(L"GET");
    Bstr address(Utf8ToWide(url).c_str());
    VARIANT async;
    VariantInit(&async);
    async.vt = VT_BOOL;
    async.boolVal = VARIANT_TRUE;
    VARIANT absent;  // user and password are not given
    VariantInit(&absent);
    absent.vt = VT_ERROR;
    absent.scode = DISP_E_PARAMNOTFOUND;
    if (FAILED(request->open(method.get(), address.get(), async, absent, absent))) return false;
    VARIANT no_body;
    VariantInit(&no_body);
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
        // Sleeps until a message arrives or the slice ends, instead of spinning the processor.
        DWORD slice = limit_ms - elapsed < kWaitSliceMs ? limit_ms - elapsed : kWaitSliceMs;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, slice, QS_ALLINPUT);
    }

    bool online = false;
    if (complete) {
        Bstr text;
        online =
            SUCCEEDED(request->get_responseText(text.put())) && text.get() && SysStringLen(text.get()) > 0;
    } else {
        request->abort();
    }
    request.reset();
    // The caller's message loop must still see the quit request that the wait took from the queue.
    if (quit) PostQuitMessage(static_cast<int>(quit_code));
    return online;
}

}  // namespace vt
