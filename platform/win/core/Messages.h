#pragma once
// The thread-safe message queue of the one user-interface thread. Any thread
// (a data source's scanning thread, say) may post; the user-interface thread
// fetches and dispatches. Windows are message targets with a procedure; a
// posted message to an unknown or destroyed window is dropped at dispatch.
#include "platform/win/core/Windows.h"
#include <functional>

using WNDPROC = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// A message-only window with the given procedure. Never null.
HWND CreateMessageWindow(WNDPROC proc);
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);

// Thread-safe; wakes a waiting loop. FALSE when hwnd is not a window (null is
// allowed: a thread message).
BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Calls the window procedure directly (user-interface thread only).
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Fetches the oldest message in [min, max] (0, 0: any) for hwnd (null: any).
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT min, UINT max, UINT removeFlags);
LRESULT DispatchMessage(const MSG* msg);
void PostQuitMessage(int exitCode);

// True when a message is waiting; one relaxed atomic load, no lock.
bool MessagesPending();
// Sleeps until a message is posted or timeoutMs passes (-1: no limit).
void WaitForMessage(int timeoutMs);
// Called (from the posting thread) after every post, so a toolkit's event loop
// that sleeps can be woken. One hook; nullptr removes it.
void SetMessageWakeHook(std::function<void()> hook);

DWORD GetTickCount();
UINT RegisterWindowMessage(const char* name);
