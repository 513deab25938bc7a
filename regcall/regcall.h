/* Calls an entry point with the 32-bit register convention the host program uses
 * ("PURE PASCAL": first three integer/pointer arguments in EAX, EDX, ECX, further
 * arguments on the stack and removed by the callee, results in EAX or x87 ST(0),
 * EBX/ESI/EDI/EBP preserved) and reports whether the callee kept that contract.
 *
 * Hand-written assembly, so that the hosts test the plug-in against the convention
 * itself rather than against the compiler's idea of it. i386 only; not re-entrant. */
#ifndef KOLM_REGCALL_H
#define KOLM_REGCALL_H

#include <stddef.h>
#include <stdint.h>

#include "regcall_layout.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct RegCall {
    /* in */
    const void* fn;
    uint32_t eax, edx, ecx;
    const uint32_t* stack; /* stack arguments as they lie in memory at the callee's entry,
                              stack[0] just above the return address (a double is 2 words) */
    uint32_t stackWords;
    /* out */
    uint32_t eaxOut;
    uint32_t edxOut;
    int32_t espError;    /* bytes the callee left on (+) or took off (-) the stack beyond its arguments */
    uint32_t brokenRegs; /* REGCALL_EBX | ... for each callee-saved register not preserved */
    uint32_t fpuDepth;   /* x87 registers in use right after the return: 1 for a double result */
    uint32_t reserved;
    double st0; /* the double result, popped, when fpuDepth >= 1 */
} RegCall;

enum { REGCALL_EBX = 1, REGCALL_ESI = 2, REGCALL_EDI = 4, REGCALL_EBP = 8 };

/* The thunk reads and writes the struct at the offsets of regcall_layout.h. Pointers
 * are 4 bytes there; other builds only carry the struct and never call the thunk. */
#if defined(__i386__)
#ifdef __cplusplus
#define REGCALL_AT(field, offset) static_assert(offsetof(RegCall, field) == (offset), #field " moved")
#else
#define REGCALL_AT(field, offset) _Static_assert(offsetof(RegCall, field) == (offset), #field " moved")
#endif
REGCALL_AT(fn, REGCALL_FN);
REGCALL_AT(eax, REGCALL_IN_EAX);
REGCALL_AT(edx, REGCALL_IN_EDX);
REGCALL_AT(ecx, REGCALL_IN_ECX);
REGCALL_AT(stack, REGCALL_STACK);
REGCALL_AT(stackWords, REGCALL_STACK_WORDS);
REGCALL_AT(eaxOut, REGCALL_OUT_EAX);
REGCALL_AT(edxOut, REGCALL_OUT_EDX);
REGCALL_AT(espError, REGCALL_ESP_ERROR);
REGCALL_AT(brokenRegs, REGCALL_BROKEN);
REGCALL_AT(fpuDepth, REGCALL_FPU_DEPTH);
REGCALL_AT(st0, REGCALL_ST0);
#undef REGCALL_AT
#endif

void kolm_regcall(RegCall* call);

#ifdef __cplusplus
}
#endif

#endif
