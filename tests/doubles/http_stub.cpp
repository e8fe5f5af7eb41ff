// A tiny HTTP server on 127.0.0.1 for probe tests and benchmarks. It listens on a free port, writes the
// port number and a newline to <port-file>, and appends the first line of every request it reads to
// <port-file>.requests. It runs until it is ended from outside.
//   http_stub <port-file> reply <status> <body>   answers every request with that status and body
//   http_stub <port-file> silent                  accepts and reads requests but never answers
#include <windows.h>
#include <winsock2.h>

#include <string>

#include "tests/doubles/line_state.h"

namespace {

struct Config {
    std::wstring port_file;
    bool silent = false;
    std::string status = "200";
    std::string body;
};

Config config;

void AppendRequestLine(const std::string& request) {
    std::string first = request.substr(0, request.find("\r\n"));
    vt::line::Lock lock;
    vt::line::WriteWholeFile(config.port_file + L".requests", first + "\n", true);
}

DWORD WINAPI Serve(void* parameter) {
    SOCKET client = static_cast<SOCKET>(reinterpret_cast<UINT_PTR>(parameter));
    std::string request;
    char buffer[2048];
    while (request.find("\r\n\r\n") == std::string::npos) {
        int got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        request.append(buffer, got);
    }
    if (!request.empty()) AppendRequestLine(request);
    if (config.silent) {
        // Holds the connection open without a word until the process is ended.
        Sleep(INFINITE);
    }
    // As a proxy, it reaches nothing beyond this machine: a tunnel for an HTTPS page is refused. (A tunnel
    // it pretended to open would take Wine's secure connection code down with an assertion.)
    const bool tunnel = request.compare(0, 8, "CONNECT ") == 0;
    std::string response =
        "HTTP/1.1 " + (tunnel ? std::string("502") : config.status) + " Stub\r\nContent-Type: text/html\r\n" +
        "Cache-Control: no-store\r\nContent-Length: " + std::to_string(config.body.size()) +
        "\r\nConnection: close\r\n\r\n" + config.body;
    send(client, response.data(), static_cast<int>(response.size()), 0);
    shutdown(client, SD_SEND);
    // Drains what the client still sends, so that closing does not reset the connection early.
    while (recv(client, buffer, sizeof buffer, 0) > 0) {
    }
    closesocket(client);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    config.port_file = argv[1];
    std::wstring mode = argv[2];
    if (mode == L"silent") {
        config.silent = true;
    } else if (mode == L"reply" && argc >= 5) {
        config.status = vt::WideToUtf8(argv[3]);
        config.body = vt::WideToUtf8(argv[4]);
    } else {
        return 2;
    }
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 1;
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (listener == INVALID_SOCKET ||
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, SOMAXCONN) != 0)
        return 1;
    int length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    if (!vt::line::WriteWholeFile(config.port_file, std::to_string(ntohs(address.sin_port)) + "\n", false))
        return 1;
    for (;;) {
        SOCKET client = accept(listener, nullptr, nullptr);
        if (client == INVALID_SOCKET) continue;
        HANDLE thread = CreateThread(nullptr, 0, Serve,
                                     reinterpret_cast<void*>(static_cast<UINT_PTR>(client)), 0, nullptr);
        if (thread)
            CloseHandle(thread);
        else
            closesocket(client);
    }
}
