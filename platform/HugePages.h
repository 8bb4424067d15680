#pragma once

#include <cstddef>

// Asks the system to back the whole 2 MiB pages inside a large buffer that
// is about to be written in full with huge pages, where it offers them on
// request. Each fresh 4 KiB page otherwise costs a fault on first touch,
// which on virtual machines takes microseconds: tens of milliseconds for a
// buffer of tens of megabytes. Only a hint: nothing changes where it is not
// available.
void preferHugePages(void* data, std::size_t bytes);

// The same for the large blocks this process allocates from now on, its own
// and those of the libraries it calls (a text document's copy of a report,
// say), which it cannot hint one by one: blocks up to twice `reserve` bytes
// are taken from the heap rather than mapped each on its own, and the heap's
// next `reserve` bytes ask for huge pages. Freed blocks stay with the process
// up to about twice `reserve` bytes, to be used again without faults. Call
// it once, early, before any other thread allocates. Only a hint, as above.
void preferHugePagesForLargeBlocks(std::size_t reserve);
