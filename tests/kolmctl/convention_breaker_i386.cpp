// An i386 plug-in whose entry points break the register convention, each its own
// way, for kolmctl check to find: EA clobbers EBX, SAD leaves its double argument
// on the stack (a C-convention callee), RSAD leaves two values on the x87 stack.
#include <cstdint>

#include "expected_directory.h"

using host::DirectoryEntry;

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT std::int32_t EA(std::int32_t);
EXPORT double SAD(std::int32_t, double);
EXPORT double RSAD(std::int32_t);

asm(R"(
    .text
    .globl EA
    .type EA, @function
EA:
    movl $-777, %eax
    xorl %ebx, %ebx
    ret
    .globl SAD
    .type SAD, @function
SAD:
    fldz
    ret
    .globl RSAD
    .type RSAD, @function
RSAD:
    fld1
    fld1
    ret
)");

namespace {
DirectoryEntry directory[] = {
    {"PURE PASCAL int EA(int)", reinterpret_cast<const void*>(&EA)},
    {"PURE PASCAL double SAD(int,double)", reinterpret_cast<const void*>(&SAD)},
    {"PURE PASCAL DOUBLE RSAD(INT)", reinterpret_cast<const void*>(&RSAD)},
    {nullptr, nullptr},
};
}  // namespace

EXPORT __attribute__((regparm(3), stdcall)) DirectoryEntry* DLLFunctionDirectory() { return directory; }
