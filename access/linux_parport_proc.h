// What the kernel says of its parallel ports under /proc/sys/dev/parport/parportN/:
// base-addr holds "<base>\t<base-hi>" in decimal, devices/active the name of the
// driver that holds the port now, "none" when it is free. Read with plain open/read:
// no stdio buffers that would outlive the plug-in's start-up.
#pragma once

namespace kolm {

constexpr int kMaxParports = 8;  // parport0 to parport7

// The I/O base of parportN, or -1 when there is no such port or its text is not
// exactly the kernel's.
long parportBase(int n);

// Who holds parportN now, into `name` (empty when free): false when the kernel does
// not say, which counts as free.
bool parportHolder(int n, char (&name)[64]);

// The I/O base in a base-addr text, or -1 for anything that is not exactly
// "<base> <base-hi>" in decimal with blanks around.
long parseBaseAddr(const char* text);

}  // namespace kolm
