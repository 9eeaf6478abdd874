#include "heapsettings.h"

#include <cstdlib> // defines __GLIBC__ on glibc systems

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {
// glibc's own starting threshold for blocks mapped apart.
constexpr int largeBlockBytes = 128 * 1024;
} // namespace

// Every refresh of the bill list reads the file again: SQLite sorts the bills and payments in a
// buffer of up to 2 MiB, and the lists and hashes of the bills grow in blocks of hundreds of
// KiB. glibc maps such blocks apart at first, but the first time one is freed it raises its
// threshold to that block's size, and from then on carves them out of the heap. There the
// small blocks that outlive a refresh (caches, the summary, the list's rows) land between
// them, so the freed space can neither shrink the heap nor be reused whole: the resident set
// grew by over a megabyte in the first refreshes and kept stepping up after. A threshold set
// once, even to its default, stops that adjustment, and every large block a refresh frees goes
// back to the system.
void HeapSettings::keepLargeBlocksApart()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, largeBlockBytes);
#endif
}
