#include "app/single_instance.h"

#include <ddeml.h>

#include <memory>

#include "base/compat.h"

namespace vt {

InstanceMutex::InstanceMutex(const wchar_t* name) {
    mutex_ = CreateMutexW(nullptr, FALSE, name);
    another_running_ = mutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
}

InstanceMutex::~InstanceMutex() {
    if (mutex_) CloseHandle(mutex_);
}

namespace {

struct DdeRequest {
    std::wstring command;
    LONG accepted = 0;
};

HDDEDATA CALLBACK ClientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

DWORD WINAPI DdeClientThread(void* param) {
    // The request is shared with the caller, which may stop waiting and leave before this ends.
    auto* request = static_cast<std::shared_ptr<DdeRequest>*>(param);
    std::shared_ptr<DdeRequest> shared = *request;
    delete request;
    DWORD instance = 0;
    if (DdeInitializeW(&instance, ClientCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) return 1;
    HSZ service = DdeCreateStringHandleW(instance, compat::kDdeService, CP_WINUNICODE);
    HSZ topic = DdeCreateStringHandleW(instance, compat::kDdeTopic, CP_WINUNICODE);
    HCONV conv = DdeConnect(instance, service, topic, nullptr);
    if (conv) {
        const std::wstring& text = shared->command;
        DWORD result = 0;
        HDDEDATA done = DdeClientTransaction(
            reinterpret_cast<BYTE*>(const_cast<wchar_t*>(text.c_str())),
            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)), conv, nullptr, 0, XTYP_EXECUTE, 1000,
            &result);
        if (done) InterlockedExchange(&shared->accepted, 1);
        // The short time-out on the way out: a running copy that stopped answering must not hold us.
        DdeDisconnect(conv);
    }
    DdeFreeStringHandle(instance, service);
    DdeFreeStringHandle(instance, topic);
    DdeUninitialize(instance);
    return 0;
}

}  // namespace

bool SendDdeCommand(const std::wstring& command, DWORD limit_ms) {
    auto request = std::make_shared<DdeRequest>();
    request->command = command;
    auto* param = new std::shared_ptr<DdeRequest>(request);
    HANDLE thread = CreateThread(nullptr, 0, DdeClientThread, param, 0, nullptr);
    if (!thread) {
        delete param;
        return false;
    }
    WaitForSingleObject(thread, limit_ms);
    CloseHandle(thread);
    return InterlockedCompareExchange(&request->accepted, 0, 0) != 0;
}

namespace {
DdeCommandServer* g_server = nullptr;  // DDEML callbacks carry no context pointer
}

DdeCommandServer::~DdeCommandServer() { Stop(); }

bool DdeCommandServer::Start(Handler handler) {
    if (instance_) return true;
    handler_ = std::move(handler);
    g_server = this;
    if (DdeInitializeW(&instance_, &DdeCommandServer::Callback,
                       APPCLASS_STANDARD | CBF_FAIL_ADVISES | CBF_FAIL_REQUESTS | CBF_SKIP_ALLNOTIFICATIONS,
                       0) != DMLERR_NO_ERROR) {
        instance_ = 0;
        g_server = nullptr;
        return false;
    }
    service_ = DdeCreateStringHandleW(instance_, compat::kDdeService, CP_WINUNICODE);
    topic_ = DdeCreateStringHandleW(instance_, compat::kDdeTopic, CP_WINUNICODE);
    if (!DdeNameService(instance_, service_, nullptr, DNS_REGISTER)) {
        Stop();
        return false;
    }
    return true;
}

void DdeCommandServer::Stop() {
    if (!instance_) return;
    DdeNameService(instance_, service_, nullptr, DNS_UNREGISTER);
    DdeFreeStringHandle(instance_, service_);
    DdeFreeStringHandle(instance_, topic_);
    DdeUninitialize(instance_);
    instance_ = 0;
    service_ = topic_ = nullptr;
    if (g_server == this) g_server = nullptr;
}

HDDEDATA CALLBACK DdeCommandServer::Callback(UINT type, UINT, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA data,
                                             ULONG_PTR, ULONG_PTR) {
    DdeCommandServer* self = g_server;
    if (!self) return nullptr;
    switch (type) {
        case XTYP_CONNECT:
            return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(
                DdeCmpStringHandles(hsz1, self->topic_) == 0 && DdeCmpStringHandles(hsz2, self->service_) == 0));
        case XTYP_EXECUTE: {
            std::wstring text;
            DWORD size = DdeGetData(data, nullptr, 0, 0);
            if (size >= sizeof(wchar_t)) {
                std::wstring buffer(size / sizeof(wchar_t), L'\0');
                DdeGetData(data, reinterpret_cast<BYTE*>(buffer.data()), size, 0);
                text.assign(buffer.c_str());
            }
            // Every command is accepted, whatever its text; only the handler decides what it means.
            if (self->handler_) self->handler_(text);
            return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DDE_FACK));
        }
        default:
            return nullptr;
    }
}

}  // namespace vt
