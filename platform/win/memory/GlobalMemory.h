#pragma once
// Movable global memory: blocks named by 32-bit handles, so a handle fits the
// 32-bit fields of the records that programs and drivers exchange. A block is
// reached only through GlobalLock, which counts; GlobalUnlock counts down.
// All functions are thread-safe (a driver's worker thread may allocate).
#include "platform/win/core/Windows.h"
#include <cstddef>

using HGLOBAL = DWORD;

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

// A new block of bytes bytes (at least one byte is reserved for a request of 0);
// zero-filled with GMEM_ZEROINIT. 0 when the memory cannot be had.
HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
// The block's address, and one more lock; nullptr for an unknown handle.
void* GlobalLock(HGLOBAL mem);
// One lock less; TRUE while the block is still locked.
BOOL GlobalUnlock(HGLOBAL mem);
// 0 on success; the handle itself when it is unknown. A locked block is freed too.
HGLOBAL GlobalFree(HGLOBAL mem);
// The size asked for at allocation; 0 for an unknown handle.
size_t GlobalSize(HGLOBAL mem);
// The number of locks held; 0 for an unknown handle.
UINT GlobalLockCount(HGLOBAL mem);
// Blocks currently allocated (for leak checks in tests).
size_t GlobalBlockCount();
