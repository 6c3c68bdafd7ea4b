#include "platform/win/core/Messages.h"
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace {

struct Window {
    WNDPROC proc;
};

struct Queue {
    std::mutex mutex;
    std::condition_variable posted;
    std::deque<MSG> messages;
    std::atomic<size_t> pending { 0 };
    std::function<void()> wakeHook;
    std::map<HWND, std::shared_ptr<Window>> windows;
    uintptr_t nextWindow { 0x1000 };
    std::map<std::string, UINT> registered;
    UINT nextRegistered { 0xC000 };
};

Queue& queue()
{
    static Queue* q = new Queue;  // lives as long as the process; data sources may post late
    return *q;
}

bool inRange(UINT message, UINT min, UINT max)
{
    return (min == 0 && max == 0) || (message >= min && message <= max);
}

}

HWND CreateMessageWindow(WNDPROC proc)
{
    Queue& q = queue();
    std::lock_guard lock(q.mutex);
    HWND hwnd = reinterpret_cast<HWND>(q.nextWindow);
    q.nextWindow += 0x10;
    q.windows[hwnd] = std::make_shared<Window>(Window { std::move(proc) });
    return hwnd;
}

BOOL DestroyWindow(HWND hwnd)
{
    Queue& q = queue();
    std::lock_guard lock(q.mutex);
    return q.windows.erase(hwnd) ? TRUE : FALSE;
}

BOOL IsWindow(HWND hwnd)
{
    Queue& q = queue();
    std::lock_guard lock(q.mutex);
    return q.windows.count(hwnd) ? TRUE : FALSE;
}

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Queue& q = queue();
    std::function<void()> hook;
    {
        std::lock_guard lock(q.mutex);
        if (hwnd && !q.windows.count(hwnd))
            return FALSE;
        MSG msg;
        msg.hwnd = hwnd;
        msg.message = message;
        msg.wParam = wParam;
        msg.lParam = lParam;
        msg.time = GetTickCount();
        q.messages.push_back(msg);
        q.pending.store(q.messages.size(), std::memory_order_release);
        hook = q.wakeHook;
    }
    q.posted.notify_all();
    if (hook)
        hook();
    return TRUE;
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<Window> window;
    {
        Queue& q = queue();
        std::lock_guard lock(q.mutex);
        auto it = q.windows.find(hwnd);
        if (it == q.windows.end())
            return 0;
        window = it->second;
    }
    return window->proc ? window->proc(hwnd, message, wParam, lParam) : 0;
}

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT min, UINT max, UINT removeFlags)
{
    Queue& q = queue();
    if (q.pending.load(std::memory_order_acquire) == 0)
        return FALSE;
    std::lock_guard lock(q.mutex);
    for (auto it = q.messages.begin(); it != q.messages.end(); ++it) {
        if ((hwnd && it->hwnd != hwnd) || !inRange(it->message, min, max))
            continue;
        *msg = *it;
        if (removeFlags & PM_REMOVE) {
            q.messages.erase(it);
            q.pending.store(q.messages.size(), std::memory_order_release);
        }
        return TRUE;
    }
    return FALSE;
}

LRESULT DispatchMessage(const MSG* msg)
{
    if (!msg->hwnd)
        return 0;
    return SendMessage(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exitCode)
{
    PostMessage(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0);
}

bool MessagesPending()
{
    return queue().pending.load(std::memory_order_relaxed) != 0;
}

void WaitForMessage(int timeoutMs)
{
    Queue& q = queue();
    std::unique_lock lock(q.mutex);
    auto ready = [&] { return !q.messages.empty(); };
    if (timeoutMs < 0)
        q.posted.wait(lock, ready);
    else
        q.posted.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
}

void SetMessageWakeHook(std::function<void()> hook)
{
    Queue& q = queue();
    std::lock_guard lock(q.mutex);
    q.wakeHook = std::move(hook);
}

DWORD GetTickCount()
{
    using namespace std::chrono;
    return static_cast<DWORD>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

UINT RegisterWindowMessage(const char* name)
{
    Queue& q = queue();
    std::lock_guard lock(q.mutex);
    auto [it, inserted] = q.registered.emplace(name ? name : "", q.nextRegistered);
    if (inserted)
        ++q.nextRegistered;
    return it->second;
}
