#pragma once
// One copy of the dialer per logon session, one supervisor per machine.
//
// A named mutex tells a second copy that the first runs (window titles are no proof: any window may
// carry the name). The copies talk over DDE: the first serves application "Veltrane", topic "FormDDE"; a
// second sends it an Execute command and ends. The setup program asks a running copy to quit over the
// same channel, and, where DDE cannot reach it (another integrity level, a hung window stalling the
// broadcast), with a registered window message. The names of the channel (the DDE service, topic and
// commands, the mutex, the quit message) are in base/compat.h: earlier copies and setup programs know
// them.
//
// Copies in other sessions (fast user switching, Remote Desktop) share one broadband line: only the one
// that holds the machine-wide supervision lock probes, hangs up and redials.
#ifdef _WIN32
#include <windows.h>

#include <ddeml.h>

#include <functional>
#include <string>
#include <utility>

#include "base/compat.h"
#include "base/handles.h"

namespace vt {

// The one-copy name, taken at start and held while the process lives.
class InstanceMutex {
public:
    explicit InstanceMutex(const wchar_t* name);
    // True when a copy held the name first, also one whose mutex this process may not open (an elevated
    // copy seen from a normal start, or one of another security context): the system then answers
    // access denied rather than "already exists".
    bool another_is_running() const { return another_running_; }
    // Asks again, after a hand-over went unanswered: the running copy may have been ending meanwhile (a
    // quit, an installer's close). True when this copy now holds the name alone.
    bool Retake();

private:
    std::wstring name_;
    UniqueKernelHandle mutex_;
    bool another_running_ = false;
};

// A named mutex that processes in every session and at every integrity level can take in turn: made with
// a security descriptor that lets any signed-in user's process wait on it and release it (see the .cpp).
// Owned by the thread that took it: take, release and destroy on one thread that lives as long as the
// hold, with one such object per thread and name (a thread that owns a mutex may take it again). When
// that thread or its process ends without releasing, the next taker finds it abandoned and counts it as
// taken.
class SharedLock {
public:
    explicit SharedLock(std::wstring name) : name_(std::move(name)) {}
    ~SharedLock() { Release(); }
    SharedLock(const SharedLock&) = delete;
    SharedLock& operator=(const SharedLock&) = delete;
    // Takes the lock when nobody holds it; never waits. False while another process holds it, and when
    // the lock cannot be opened at all (a holder whose descriptor refuses us counts as holding it).
    bool TryTake();
    // The same, waiting up to `limit_ms` for the holder to let go.
    bool Take(DWORD limit_ms);
    bool Holds() const { return held_; }
    // The last TryTake could not open the name at all: an object of another kind holds it, or one whose
    // descriptor refuses us (which no copy of this program makes).
    bool Foreign() const { return foreign_; }
    // Hands the lock on to whoever asks next.
    void Release();
    // Keeps the lock until the owning thread ends, even past this object (a plugin that is unloaded
    // after each call).
    void HoldUntilThreadEnds();

private:
    std::wstring name_;
    UniqueKernelHandle mutex_;
    bool held_ = false;
    bool foreign_ = false;
};

// At most one copy on the machine supervises the line: the holder of the `Global\` supervision lock.
// A copy asks at start and again whenever it would supervise; asking is cheap and never blocks. Its
// destruction hands the lock on; so does Release (a copy that stops supervising).
class SupervisionLock {
public:
    explicit SupervisionLock(const wchar_t* name = compat::kSupervisionLockName) : lock_(name) {}
    // True when this copy holds the lock, taking it if it is free or its holder ended; also when the name
    // is foreign: no copy can hold it then, and a line without supervision is worse than two.
    bool TrySupervise() { return lock_.TryTake() || lock_.Foreign(); }
    bool Foreign() const { return lock_.Foreign(); }
    // Another copy holds the lock. Asked by a copy that must not keep it: a take is let go at once.
    bool HeldElsewhere();
    bool Holds() const { return lock_.Holds(); }
    void Release() { lock_.Release(); }

private:
    SharedLock lock_;
};

// The mark of a subscriber's hang-up by hand, seen by the copies of other users (see compat.h).
class HandHangUpMark {
public:
    void Set();  // until Clear or the end of this copy
    void Clear() { own_.reset(); }
    // Another copy's subscriber hung up and has not dialled since.
    bool SetElsewhere() const;

private:
    UniqueKernelHandle own_;
};

// Asks to be started again, hidden, after an installer's Restart Manager closed this copy to replace a
// file it held. Not after a crash, a hang or a reboot: the Run value covers logon. False where the
// system has no Restart Manager (before Vista) or refuses.
bool RegisterHiddenRestart();

// Sends `command` as a DDE Execute to application "Veltrane", topic "FormDDE". Returns whether the
// command was accepted. Never takes longer than about `limit_ms`, even when the running copy hangs:
// the conversation runs on a worker thread that is abandoned at the limit.
bool SendDdeCommand(const std::wstring& command, DWORD limit_ms);

// The running copy's side: accepts every Execute on "FormDDE" and hands its text to the handler on
// the thread that called Start (DDEML calls back from that thread's message loop).
class DdeCommandServer {
public:
    using Handler = std::function<void(const std::wstring&)>;
    DdeCommandServer() = default;
    ~DdeCommandServer();
    DdeCommandServer(const DdeCommandServer&) = delete;
    DdeCommandServer& operator=(const DdeCommandServer&) = delete;
    bool Start(Handler handler);
    void Stop();

private:
    static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data,
                                      ULONG_PTR data1, ULONG_PTR data2);
    DWORD instance_ = 0;
    HSZ service_ = nullptr;
    HSZ topic_ = nullptr;
    Handler handler_;
};

}  // namespace vt
#endif  // _WIN32
