#pragma once
// Starts the HTTP stub (http_stub.exe, built beside the test programs) for the life of this object and
// tells where it listens. Header-only, for tests and benchmarks.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "base/handles.h"
#include "tests/doubles/line_state.h"

namespace vt::line {

class HttpStub {
public:
    // Answers every request with `status` and `body`.
    static HttpStub Reply(int status, const std::string& body) {
        return HttpStub(L"reply " + std::to_wstring(status) + L" " + QuoteForStub(body));
    }
    // Accepts and reads requests but never answers.
    static HttpStub Silent() { return HttpStub(L"silent"); }

    HttpStub(HttpStub&& other) noexcept = default;
    HttpStub(const HttpStub&) = delete;
    HttpStub& operator=(const HttpStub&) = delete;
    ~HttpStub() {
        if (process_) {
            TerminateProcess(process_.get(), 0);
            WaitForSingleObject(process_.get(), 5000);
        }
    }

    bool running() const { return port_ != 0; }
    int port() const { return port_; }
    std::string Url(const std::string& path = "/") const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    // The first lines of the requests the stub has read so far.
    std::vector<std::string> Requests() const {
        std::string content;
        {
            Lock lock;
            ReadWholeFile(port_file_ + L".requests", content);
        }
        return Lines(content);
    }

private:
    explicit HttpStub(const std::wstring& arguments) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        port_file_ = std::wstring(temp) + L"veltrane-http-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                     std::to_wstring(++Counter()) + L".port";
        DeleteFileW(port_file_.c_str());
        DeleteFileW((port_file_ + L".requests").c_str());
        wchar_t self[MAX_PATH] = {};
        DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring exe(self, length < MAX_PATH ? length : 0);
        exe = exe.substr(0, exe.find_last_of(L'\\') + 1) + L"http_stub.exe";
        std::wstring command = L"\"" + exe + L"\" \"" + port_file_ + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                            nullptr, &startup, &info))
            return;
        const UniqueKernelHandle thread(info.hThread);
        process_.reset(info.hProcess);
        for (int i = 0; i < 500 && port_ == 0; ++i) {
            std::string content;
            if (ReadWholeFile(port_file_, content) && !content.empty() && content.back() == '\n')
                port_ = std::atoi(content.c_str());
            else if (WaitForSingleObject(process_.get(), 10) == WAIT_OBJECT_0)
                break;
        }
    }

    static std::wstring QuoteForStub(const std::string& body) {
        // Bodies in tests are plain text without quotes or backslashes.
        return L"\"" + Utf8ToWide(body) + L"\"";
    }

    static int& Counter() {
        static int counter = 0;
        return counter;
    }

    UniqueKernelHandle process_;
    int port_ = 0;
    std::wstring port_file_;
};

}  // namespace vt::line
