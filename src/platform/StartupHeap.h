#pragma once

// A desktop program's start touches a few megabytes of fresh heap (widgets, the window's
// backing store), and on machines where every 4 KiB page fault is costly that dominates
// the start. Called first thing in main(): the heap grows once by a large reserve that
// the kernel may back with huge pages, and large blocks come from that reserve instead of
// fresh mappings of their own. Harmless where huge pages are off: the reserve is then
// faulted in page by page as before.
void ReserveStartupHeap();
