/* Calls an entry point with the 32-bit register convention the host program uses
 * ("PURE PASCAL": first three integer/pointer arguments in EAX, EDX, ECX, further
 * arguments on the stack and removed by the callee, results in EAX or x87 ST(0),
 * EBX/ESI/EDI/EBP preserved) and reports whether the callee kept that contract.
 *
 * Hand-written assembly, so that the hosts test the plug-in against the convention
 * itself rather than against the compiler's idea of it. i386 only; not re-entrant. */
#ifndef KOLM_REGCALL_H
#define KOLM_REGCALL_H

#include <stdint.h>

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

void kolm_regcall(RegCall* call);

#ifdef __cplusplus
}
#endif

#endif
