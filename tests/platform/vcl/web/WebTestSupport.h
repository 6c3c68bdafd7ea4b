#pragma once
// Helpers for tests that load documents: a pump for the posted completion
// messages, fixture addresses, and a tiny HTTP server on 127.0.0.1.
#include "platform/win/core/Messages.h"
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace webtest {

// Dispatches posted messages until done() or the time runs out.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 15000)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        WaitForMessage(20);
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessage(&msg);
    }
    return true;
}

inline std::string SourcePath(const std::string& relative)
{
    return std::string(getenv("VEL_SOURCE_DIR")) + "/" + relative;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Request {
    std::string method;
    std::string path;
    std::string headers;
    std::string body;
};

struct Response {
    int status { 200 };
    std::string contentType { "text/html" };
    std::string body;
    std::string extraHeaders;  // "Name: value\r\n" lines
    bool hang { false };       // never answer (until the server stops)
};

// One thread accepts; each connection gets its own thread, so a request
// that hangs does not hold up the others.
class TinyHttpServer {
public:
    explicit TinyHttpServer(std::function<Response(const Request&)> handler) : m_handler(std::move(handler))
    {
        m_socket = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int yes = 1;
        setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_socket, 16);
        socklen_t length = sizeof address;
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_acceptor = std::thread([this] { acceptLoop(); });
    }
    ~TinyHttpServer()
    {
        m_stop = true;
        m_acceptor.join();
        std::lock_guard lock(m_mutex);
        for (std::thread& t : m_connections)
            t.join();
        close(m_socket);
    }
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }
    int Requests() const { return m_requests; }

private:
    void acceptLoop()
    {
        while (!m_stop) {
            pollfd p { m_socket, POLLIN, 0 };
            if (poll(&p, 1, 50) <= 0)
                continue;
            int client = accept4(m_socket, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            std::lock_guard lock(m_mutex);
            m_connections.emplace_back([this, client] { serve(client); });
        }
    }
    void serve(int client)
    {
        std::string data;
        char buffer[4096];
        size_t headerEnd;
        while ((headerEnd = data.find("\r\n\r\n")) == std::string::npos) {
            ssize_t got = recv(client, buffer, sizeof buffer, 0);
            if (got <= 0) {
                close(client);
                return;
            }
            data.append(buffer, static_cast<size_t>(got));
        }
        Request request;
        std::istringstream line(data.substr(0, data.find("\r\n")));
        line >> request.method >> request.path;
        request.headers = data.substr(0, headerEnd);
        size_t contentLength = 0;
        size_t at = request.headers.find("Content-Length:");
        if (at != std::string::npos)
            contentLength = std::stoul(request.headers.substr(at + 15));
        request.body = data.substr(headerEnd + 4);
        while (request.body.size() < contentLength) {
            ssize_t got = recv(client, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            request.body.append(buffer, static_cast<size_t>(got));
        }
        ++m_requests;
        Response response = m_handler(request);
        if (response.hang) {
            while (!m_stop)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            close(client);
            return;
        }
        std::string out = "HTTP/1.1 " + std::to_string(response.status) + " X\r\nContent-Type: " + response.contentType
            + "\r\nContent-Length: " + std::to_string(response.body.size()) + "\r\nConnection: close\r\n" + response.extraHeaders
            + "\r\n" + response.body;
        size_t sent = 0;
        while (sent < out.size()) {
            ssize_t n = send(client, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<size_t>(n);
        }
        close(client);
    }

    std::function<Response(const Request&)> m_handler;
    int m_socket { -1 };
    int m_port { 0 };
    std::atomic<bool> m_stop { false };
    std::atomic<int> m_requests { 0 };
    std::thread m_acceptor;
    std::mutex m_mutex;
    std::vector<std::thread> m_connections;
};

}
