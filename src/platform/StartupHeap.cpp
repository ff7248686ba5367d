#include "StartupHeap.h"

#include <cstdint>
#include <cstdlib>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr std::uintptr_t HugePage = std::uintptr_t{2} << 20;
constexpr std::size_t Reserve = std::size_t{32} << 20;
// Blocks up to this size come from the heap, among them the window's backing store.
constexpr int HeapBlockLimit = 16 << 20;

std::uintptr_t RoundUp(std::uintptr_t v) {
    return (v + HugePage - 1) & ~(HugePage - 1);
}
std::uintptr_t RoundDown(std::uintptr_t v) {
    return v & ~(HugePage - 1);
}

std::uintptr_t Break() {
    return reinterpret_cast<std::uintptr_t>(sbrk(0));
}

} // namespace

void ReserveStartupHeap() {
    mallopt(M_MMAP_THRESHOLD, HeapBlockLimit);
    mallopt(M_TOP_PAD, static_cast<int>(Reserve));
    // Freed blocks give memory back only beyond the reserve: a shrunk heap that grows
    // again would grow without the huge-page advice.
    mallopt(M_TRIM_THRESHOLD, static_cast<int>(2 * Reserve));
    const std::uintptr_t before = Break();
    // One block larger than what is left makes the heap grow by the block and the reserve.
    // (volatile: a compiler may drop a block that is freed unused.)
    void* volatile block = malloc(HugePage);
    free(block);
    const std::uintptr_t begin = RoundUp(before);
    const std::uintptr_t end = RoundDown(Break());
    if (end <= begin || madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE) != 0)
        return;
    // The heap's free end starts below the advised range, in small pages; a block that is
    // never freed fills that stretch, so what the program allocates next lies in the range.
    const std::uintptr_t freeStart = Break() - mallinfo2().keepcost;
    constexpr std::uintptr_t Header = sizeof(std::size_t); // a block's size field
    if (freeStart < begin && begin - freeStart >= 4 * Header) {
        [[maybe_unused]] static void* volatile filler = nullptr;
        filler = malloc(begin - freeStart - Header);
    }
}
