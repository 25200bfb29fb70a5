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
// faulted in, and once huge pages have cost clearly more than small pages would have, the
// offer is withdrawn from the blocks offered lately, and from new blocks for a while.
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
// timed: false when huge pages have come dear, and they are withdrawn then.
bool faultInTimed(uintptr_t begin, uintptr_t end) noexcept;

// Withdraws the offer from the blocks offered lately, and makes none for a while: what
// huge pages that came dear lead to.
void withdrawHugePages() noexcept;

// The account of what huge pages saved against small ones, page by page. A dear page now
// and then is no reason to give them up: the host keeps most of the memory freed lately
// and reclaims a block here and there. Dear pages one after another are.
class HugePageAccount {
 public:
  // From a huge page that took `ns` to fault in: false once huge pages have cost more
  // than small ones would have, by more than an allowance; the account starts afresh then.
  bool keep(int64_t ns) noexcept;

 private:
  int64_t balance_ = 0;  // ns dear pages cost beyond small ones, not yet paid back: <= 0
};

}  // namespace vlm
