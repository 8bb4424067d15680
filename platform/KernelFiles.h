#pragma once

#include <sys/vfs.h>

// Whether a file system, as statfs() tells it, is the kernel's /proc or
// /sys: their files tell their size as 0, may never end, and writing one
// changes the system.
inline bool isKernelFileSystem(const struct statfs& fs) {
  constexpr long kProcMagic = 0x9fa0;
  constexpr long kSysfsMagic = 0x62656572;
  return long(fs.f_type) == kProcMagic || long(fs.f_type) == kSysfsMagic;
}
