#include "platform/win/memory/GlobalMemory.h"
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>

namespace {

struct Block {
    std::unique_ptr<std::byte[]> data;
    size_t size { 0 };
    size_t capacity { 0 };
    UINT locks { 0 };
};

// One large freed block is kept for the next allocation of about its size: a
// scanned page goes from the driver to the program and is freed there, and the
// next page then reuses memory that is already mapped instead of faulting in
// tens of megabytes again.
constexpr size_t kSpareMinimum = size_t(1) << 20;

struct Table {
    std::mutex mutex;
    std::unordered_map<HGLOBAL, Block> blocks;
    HGLOBAL next { 0x10000 };
    std::unique_ptr<std::byte[]> spare;
    size_t spareCapacity { 0 };
};

Table& table()
{
    static Table* t = new Table; // never destroyed: a driver may free after static destruction began
    return *t;
}

// The next handle not in use, skipping 0 when the counter wraps.
HGLOBAL freshHandle(Table& t)
{
    for (;;) {
        HGLOBAL h = t.next;
        t.next += 4;
        if (t.next < 0x10000)
            t.next = 0x10000;
        if (h != 0 && !t.blocks.count(h))
            return h;
    }
}

}

HGLOBAL GlobalAlloc(UINT flags, size_t bytes)
{
    Table& t = table();
    size_t reserve = bytes ? bytes : 1;
    std::unique_ptr<std::byte[]> data;
    size_t capacity = reserve;
    if (reserve >= kSpareMinimum) {
        std::lock_guard lock(t.mutex);
        if (t.spare && t.spareCapacity >= reserve && t.spareCapacity - reserve <= reserve / 4) {
            data = std::move(t.spare);
            capacity = t.spareCapacity;
            t.spareCapacity = 0;
        }
    }
    if (!data) {
        data.reset(new (std::nothrow) std::byte[reserve]);
        if (!data)
            return 0;
    }
    if (flags & GMEM_ZEROINIT)
        std::memset(data.get(), 0, reserve);
    std::lock_guard lock(t.mutex);
    HGLOBAL h = freshHandle(t);
    t.blocks.emplace(h, Block { std::move(data), bytes, capacity, 0 });
    return h;
}

void* GlobalLock(HGLOBAL mem)
{
    Table& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.blocks.find(mem);
    if (it == t.blocks.end())
        return nullptr;
    ++it->second.locks;
    return it->second.data.get();
}

BOOL GlobalUnlock(HGLOBAL mem)
{
    Table& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.blocks.find(mem);
    if (it == t.blocks.end() || it->second.locks == 0)
        return FALSE;
    return --it->second.locks ? TRUE : FALSE;
}

HGLOBAL GlobalFree(HGLOBAL mem)
{
    std::unique_ptr<std::byte[]> doomed;
    {
        Table& t = table();
        std::lock_guard lock(t.mutex);
        auto it = t.blocks.find(mem);
        if (it == t.blocks.end())
            return mem;
        doomed = std::move(it->second.data);
        if (it->second.capacity >= kSpareMinimum) {
            std::swap(doomed, t.spare); // the older spare goes instead
            t.spareCapacity = it->second.capacity;
        }
        t.blocks.erase(it);
    }
    return 0;
}

size_t GlobalSize(HGLOBAL mem)
{
    Table& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.blocks.find(mem);
    return it == t.blocks.end() ? 0 : it->second.size;
}

UINT GlobalLockCount(HGLOBAL mem)
{
    Table& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.blocks.find(mem);
    return it == t.blocks.end() ? 0 : it->second.locks;
}

size_t GlobalBlockCount()
{
    Table& t = table();
    std::lock_guard lock(t.mutex);
    return t.blocks.size();
}
