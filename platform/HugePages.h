#pragma once

#include <cstddef>

// Asks the system to back the whole 2 MiB pages inside a large buffer that
// is about to be written in full with huge pages, where it offers them on
// request. Each fresh 4 KiB page otherwise costs a fault on first touch,
// which on virtual machines takes microseconds: tens of milliseconds for a
// buffer of tens of megabytes. Only a hint: nothing changes where it is not
// available.
void preferHugePages(void* data, std::size_t bytes);
