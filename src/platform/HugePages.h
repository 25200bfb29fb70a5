// Huge pages for large arrays, while they come cheap.
//
// Writing fresh memory costs a page fault per 4 KiB page, and on a virtual machine a
// fault is dear: filling a 100 MB array can cost half a second in faults alone. Arrays
// offered transparent huge pages before they are first written fault once per 2 MiB
// instead, which makes the same fill some fifty times cheaper.
//
// Unless the host took the memory back: a virtual machine whose host reclaims the guest's
// freed memory gets its huge pages from memory the host must find again, about 5 ms for
// 2 MiB here, against 0.6 ms for small pages (which come from memory the guest still has)
// and 0.25 ms for a huge page the host still holds. So the cost is measured where pages are
// faulted in, and a huge page that comes dear withdraws the offer from the blocks offered
// lately, and from new blocks for a while.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vlm {

// Transparent huge pages come in this size, aligned to it.
inline constexpr size_t kHugePageBytes = size_t{2} << 20;

// Offers the whole 2 MiB pages within [data, data + bytes) huge pages, while they come
// cheap, and faults in the first of them to see. Ranges without a whole huge page and
// systems without the advice are left alone.
void adviseHugePages(void* data, size_t bytes) noexcept;

// False for a while after a huge page came dear.
bool hugePagesComeCheap() noexcept;

// Faults in the pages of [begin, end) for writing, on this thread. Nothing happens on a
// system without a way to ask, or for a range no longer mapped: the writer faults them.
void faultIn(uintptr_t begin, uintptr_t end) noexcept;

// faultIn for a range within one huge page (which its first byte may fault in whole),
// timed: false when it came dear, and huge pages are withdrawn then.
bool faultInTimed(uintptr_t begin, uintptr_t end) noexcept;

// What a dear huge page does: withdraws the offer from the blocks offered lately, and
// makes none for a while.
void withdrawHugePages() noexcept;

}  // namespace vlm
