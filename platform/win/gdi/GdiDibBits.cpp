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

struct Block;
void Release(Block* block);

struct Block {
    void* base { nullptr };   // what to unmap or free
    size_t mapped { 0 };      // 0: malloc'd
    uint8_t* start { nullptr };
    size_t size { 0 };
    size_t capacity { 0 };    // usable bytes from start
};

// The last large block given up is kept for the next one of about its size:
// a copier prints page after page of one size, and a fresh mapping costs the
// kernel a zero-fill of every page. Its pages are marked free, so the system
// can still take them back under memory pressure.
struct Spare {
    void* base { nullptr };
    size_t mapped { 0 };
    uint8_t* start { nullptr };
    size_t capacity { 0 };
};

std::mutex& SpareMutex()
{
    static std::mutex m;
    return m;
}

Spare& TheSpare()
{
    static Spare s;
    return s;
}

void Release(Block* block)
{
    if (!block->mapped) {
        std::free(block->base);
    } else {
        madvise(block->start, block->capacity, MADV_FREE);
        Spare old;
        {
            std::lock_guard lock(SpareMutex());
            old = TheSpare();
            TheSpare() = Spare { block->base, block->mapped, block->start, block->capacity };
        }
        if (old.base)
            munmap(old.base, old.mapped);
    }
    delete block;
}

std::shared_ptr<Block> MakeBlock()
{
    return std::shared_ptr<Block>(new Block, &Release);
}

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
    auto block = MakeBlock();
    if (size < kMapFrom) {
        block->base = std::malloc(size);
        if (!block->base)
            return nullptr;
        block->start = static_cast<uint8_t*>(block->base);
        block->capacity = size;
    } else {
        Spare spare;
        {
            std::lock_guard lock(SpareMutex());
            // Reused when it fits without wasting more than half of it.
            if (TheSpare().base && TheSpare().capacity >= size && TheSpare().capacity / 2 <= size) {
                spare = TheSpare();
                TheSpare() = Spare {};
            }
        }
        if (spare.base) {
            block->base = spare.base;
            block->mapped = spare.mapped;
            block->start = spare.start;
            block->capacity = spare.capacity;
            block->size = size;
            void* start = block->start;
            std::lock_guard lock(Mutex());
            Blocks()[reinterpret_cast<uintptr_t>(start)] = std::move(block);
            return start;
        }
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
        block->capacity = rounded;
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
