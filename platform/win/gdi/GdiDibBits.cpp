// Shareable memory for DIB bits: a table from block start to block, so a
// recording context can find the block that holds the bits it is given and
// keep a reference instead of a copy.
#include "platform/win/gdi/GdiInternal.h"
#include <cstdlib>
#include <map>
#include <mutex>
#include <sys/mman.h>

namespace gdi {
namespace {

constexpr size_t kHugePage = size_t(2) << 20;
constexpr size_t kMapFrom = size_t(1) << 20; // smaller blocks come from malloc

struct Block {
    void* base { nullptr };   // what to unmap or free
    size_t mapped { 0 };      // 0: malloc'd
    uint8_t* start { nullptr };
    size_t size { 0 };
    ~Block()
    {
        if (mapped)
            munmap(base, mapped);
        else
            std::free(base);
    }
};

std::mutex& Mutex()
{
    static std::mutex m;
    return m;
}

std::map<uintptr_t, std::shared_ptr<Block>>& Blocks()
{
    static std::map<uintptr_t, std::shared_ptr<Block>> b;
    return b;
}

} // namespace

std::shared_ptr<const void> FindDibBits(const void* from, size_t bytes)
{
    auto at = reinterpret_cast<uintptr_t>(from);
    std::lock_guard lock(Mutex());
    auto& blocks = Blocks();
    auto it = blocks.upper_bound(at);
    if (it == blocks.begin())
        return nullptr;
    --it;
    const Block& b = *it->second;
    uintptr_t start = reinterpret_cast<uintptr_t>(b.start);
    if (at < start || bytes > b.size || at - start > b.size - bytes)
        return nullptr;
    return it->second;
}

} // namespace gdi

using namespace gdi;

void* GdiAllocDibBits(size_t size)
{
    if (size == 0)
        size = 1;
    if (size > (size_t(1) << 40))
        return nullptr;
    auto block = std::make_shared<Block>();
    if (size < kMapFrom) {
        block->base = std::malloc(size);
        if (!block->base)
            return nullptr;
        block->start = static_cast<uint8_t*>(block->base);
    } else {
        // Aligned to a huge page, so the kernel can back it with huge pages.
        size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
        size_t mapped = rounded + kHugePage;
        void* base = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (base == MAP_FAILED)
            return nullptr;
        auto aligned = (reinterpret_cast<uintptr_t>(base) + kHugePage - 1) & ~(kHugePage - 1);
        madvise(reinterpret_cast<void*>(aligned), rounded, MADV_HUGEPAGE);
        block->base = base;
        block->mapped = mapped;
        block->start = reinterpret_cast<uint8_t*>(aligned);
    }
    block->size = size;
    void* start = block->start;
    std::lock_guard lock(Mutex());
    Blocks()[reinterpret_cast<uintptr_t>(start)] = std::move(block);
    return start;
}

bool GdiFreeDibBits(void* bits)
{
    std::shared_ptr<Block> block;
    {
        std::lock_guard lock(Mutex());
        auto it = Blocks().find(reinterpret_cast<uintptr_t>(bits));
        if (it == Blocks().end())
            return false;
        block = std::move(it->second);
        Blocks().erase(it);
    }
    return true; // freed here unless a recording still holds it
}
