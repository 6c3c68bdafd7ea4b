#pragma once
// The toolkit side of the application object and the screen: the only entry
// points into Qt that the forms library's non-binding code uses. No Qt type
// appears here.
#include "platform/rtl/AnsiString.h"
#include <cstdint>

namespace qtrt {

void EnsureApplication(int argc, char** argv);
bool HasApplication();
void SetApplicationName(const AnsiString& title);
// Delivers pending toolkit events; returns at once when there are none.
void ProcessEvents();
// Sleeps until a toolkit event arrives (or Wake is called), handles what came.
void WaitForEvents(int timeoutMs);
// Thread-safe: makes a sleeping WaitForEvents return.
void Wake();
int MessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags);
void SetCursor(int cursor);
// Monotonic milliseconds from a cheap clock.
int64_t CoarseMilliseconds();

}
