#include "app/single_instance.h"

#include <ddeml.h>
#include <sddl.h>

#include <memory>
#include <string_view>

#include "base/compat.h"
#include "base/function_lookup.h"

namespace vt {

namespace {

// Where the name is taken by an object this process may not open, CreateMutexW answers access denied
// instead of handing out a second handle: that copy runs all the same.
bool NameTakenBefore(HANDLE created) {
    const DWORD error = GetLastError();
    return created ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
}

}  // namespace

InstanceMutex::InstanceMutex(const wchar_t* name) : name_(name) {
    HANDLE created = CreateMutexW(nullptr, FALSE, name);
    another_running_ = NameTakenBefore(created);
    mutex_.reset(created);
}

bool InstanceMutex::Retake() {
    // Our own handle would keep the name alive: let go of it before asking.
    mutex_.reset();
    HANDLE created = CreateMutexW(nullptr, FALSE, name_.c_str());
    another_running_ = NameTakenBefore(created);
    mutex_.reset(created);
    return mutex_ && !another_running_;
}

namespace {

void FreeLocal(PSECURITY_DESCRIPTOR memory) { LocalFree(memory); }
using UniqueSecurityDescriptor = UniqueHandle<PSECURITY_DESCRIPTOR, FreeLocal>;

// The shared lock's descriptor. DACL: any authenticated user's process may wait on the lock and release
// it (SYNCHRONIZE | MUTEX_MODIFY_STATE) and nothing more, so no other user can change its descriptor; the
// system and administrators keep all access. Without it, a lock made by an elevated copy would carry that
// token's default DACL (administrators and the system only), which refuses a normal copy: it could then
// neither take the lock after the holder nor wait for it.
constexpr wchar_t kSharedLockDacl[] = L"D:(A;;0x00100001;;;AU)(A;;GA;;;SY)(A;;GA;;;BA)";
// Mandatory label: medium, no write up. An object made without a label counts as medium, but stating it
// keeps a normal copy's access from depending on the maker's integrity level; no higher, or copies at
// medium would be refused; no lower, since nothing below a normal start has any business with the lock.
// Windows XP knows no labels and refuses the whole text: it gets the DACL alone.
constexpr wchar_t kMediumLabel[] = L"S:(ML;;NW;;;ME)";

UniqueSecurityDescriptor SharedLockDescriptor() {
    UniqueSecurityDescriptor descriptor;
    const std::wstring labelled = std::wstring(kSharedLockDacl) + kMediumLabel;
    for (const wchar_t* text : {labelled.c_str(), kSharedLockDacl}) {
        if (ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, descriptor.put(),
                                                                 nullptr))
            break;
    }
    return descriptor;
}

constexpr DWORD kLockAccess = SYNCHRONIZE | MUTEX_MODIFY_STATE;

// An empty handle when the name belongs to a mutex whose descriptor refuses this process.
UniqueKernelHandle OpenOrCreateLock(const wchar_t* name) {
    // Two rounds: another process may make the name between our open and our create.
    for (int round = 0; round < 2; ++round) {
        if (HANDLE opened = OpenMutexW(kLockAccess, FALSE, name)) return UniqueKernelHandle(opened);
        if (GetLastError() == ERROR_ACCESS_DENIED) return {};
        UniqueSecurityDescriptor descriptor = SharedLockDescriptor();
        SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
        // Asks for all access: granted to the maker, refused on a name made meanwhile under our own
        // descriptor, which the next round's open then takes with the access that descriptor grants.
        if (HANDLE created = CreateMutexW(descriptor ? &attributes : nullptr, FALSE, name))
            return UniqueKernelHandle(created);
        if (GetLastError() != ERROR_ACCESS_DENIED) return {};
    }
    return {};
}

}  // namespace

bool SharedLock::TryTake() {
    if (held_) return true;
    // The handle is kept while another holds the lock, so that asking again is one wait of no time; a
    // refused open leaves none, and is tried afresh, since the refusing holder may have gone.
    if (!mutex_) mutex_ = OpenOrCreateLock(name_.c_str());
    foreign_ = !mutex_;
    if (!mutex_) return false;
    const DWORD waited = WaitForSingleObject(mutex_.get(), 0);
    // Abandoned: its holder ended without letting go (a crash, a forced end); the lock is ours now.
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    return held_;
}

bool SharedLock::Take(DWORD limit_ms) {
    const DWORD begin = GetTickCount();
    for (;;) {
        if (TryTake()) return true;
        const DWORD spent = GetTickCount() - begin;
        if (spent >= limit_ms) return false;
        if (mutex_) {
            const DWORD waited = WaitForSingleObject(mutex_.get(), limit_ms - spent);
            held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
            return held_;
        }
        // A refusing holder gives no handle to wait on; its name goes when it ends.
        Sleep(limit_ms - spent < 50 ? limit_ms - spent : 50);
    }
}

void SharedLock::Release() {
    if (held_) ReleaseMutex(mutex_.get());
    held_ = false;
}

void SharedLock::HoldUntilThreadEnds() {
    mutex_.release();
    held_ = false;
}

bool SupervisionLock::HeldElsewhere() {
    if (lock_.Holds()) return false;
    if (lock_.TryTake()) {
        lock_.Release();
        return false;
    }
    return !lock_.Foreign();
}

void HandHangUpMark::Set() {
    if (own_) return;
    UniqueSecurityDescriptor descriptor = SharedLockDescriptor();
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
    own_.reset(CreateEventW(descriptor ? &attributes : nullptr, TRUE, TRUE, compat::kHandHangUpName));
}

bool HandHangUpMark::SetElsewhere() const {
    if (own_) return false;  // this copy's own hang-up, which the session knows
    UniqueKernelHandle other(OpenEventW(SYNCHRONIZE, FALSE, compat::kHandHangUpName));
    return static_cast<bool>(other);
}

bool RegisterHiddenRestart() {
    // Looked up at run time: Vista brought the Restart Manager.
    using Register = HRESULT(WINAPI*)(PCWSTR, DWORD);
    const auto register_restart = LookUpFunction<Register>(L"kernel32.dll", "RegisterApplicationRestart");
    if (!register_restart) return false;
    constexpr DWORD kNoCrash = 1, kNoHang = 2, kNoReboot = 8;  // RESTART_NO_CRASH, _NO_HANG, _NO_REBOOT
    // The arguments alone: the system puts the program's path in front. An installer's patch is not
    // excluded: that restart is the one wanted here.
    const std::string_view word = compat::kHiddenStartWord;
    const std::wstring arguments(word.begin(), word.end());
    return SUCCEEDED(register_restart(arguments.c_str(), kNoCrash | kNoHang | kNoReboot));
}

namespace {

struct DdeRequest {
    std::wstring command;
    LONG accepted = 0;
};

HDDEDATA CALLBACK ClientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}

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
        HDDEDATA done = DdeClientTransaction(reinterpret_cast<BYTE*>(const_cast<wchar_t*>(text.c_str())),
                                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)), conv,
                                             nullptr, 0, XTYP_EXECUTE, 1000, &result);
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
    UniqueKernelHandle thread(CreateThread(nullptr, 0, DdeClientThread, param, 0, nullptr));
    if (!thread) {
        delete param;
        return false;
    }
    WaitForSingleObject(thread.get(), limit_ms);
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
            return reinterpret_cast<HDDEDATA>(
                static_cast<ULONG_PTR>(DdeCmpStringHandles(hsz1, self->topic_) == 0 &&
                                       DdeCmpStringHandles(hsz2, self->service_) == 0));
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
