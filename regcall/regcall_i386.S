/* void kolm_regcall(RegCall *call): see regcall.h. cdecl, i386, ELF or PE.
 * Non-PIC (absolute addresses to its own scratch data): link the host without PIE. */

#if defined(_WIN32)
#define SYM(name) _##name
#else
#define SYM(name) name
#endif

#include "regcall_layout.h"

/* Values planted in the callee-saved registers, checked after the call. */
#define SENT_EBX 0x0BB0BB0B
#define SENT_ESI 0x51E51E51
#define SENT_EDI 0xD1D1D1D1
#define SENT_EBP 0xB9B9B9B9

    .data
    .balign 4
call_ptr:    .long 0
call_target: .long 0
saved_esp:   .long 0
top_before:  .long 0
fpu_cw:      .word 0
fpu_sw:      .word 0

    .text
    .globl SYM(kolm_regcall)
SYM(kolm_regcall):
    pushl %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 20(%esp), %eax
    movl %eax, call_ptr
    movl %esp, saved_esp
    fnstcw fpu_cw
    fnstsw fpu_sw
    movzwl fpu_sw, %ecx
    shrl $11, %ecx
    andl $7, %ecx
    movl %ecx, top_before

    /* Lay the stack arguments out so that stack[0] ends just above the return address. */
    movl REGCALL_STACK_WORDS(%eax), %ecx
    movl REGCALL_STACK(%eax), %esi
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%esi,%ecx,4)
    jmp 1b
2:
    movl REGCALL_FN(%eax), %ecx
    movl %ecx, call_target
    movl REGCALL_IN_EDX(%eax), %edx
    movl REGCALL_IN_ECX(%eax), %ecx
    movl REGCALL_IN_EAX(%eax), %eax
    movl $SENT_EBX, %ebx
    movl $SENT_ESI, %esi
    movl $SENT_EDI, %edi
    movl $SENT_EBP, %ebp
    call *call_target

    /* Results first, then the checks, using only our own scratch data. */
    pushl %ecx                  /* scratch; ESP is wherever the callee left it */
    movl call_ptr, %ecx
    movl %eax, REGCALL_OUT_EAX(%ecx)
    movl %edx, REGCALL_OUT_EDX(%ecx)
    popl %ecx
    movl call_ptr, %eax
    movl saved_esp, %edx
    movl %esp, %ecx
    subl %edx, %ecx             /* ESP after - ESP before the arguments: 0 if balanced */
    negl %ecx
    movl %ecx, REGCALL_ESP_ERROR(%eax)
    xorl %ecx, %ecx
    cmpl $SENT_EBX, %ebx
    je 3f
    orl $1, %ecx
3:  cmpl $SENT_ESI, %esi
    je 4f
    orl $2, %ecx
4:  cmpl $SENT_EDI, %edi
    je 5f
    orl $4, %ecx
5:  cmpl $SENT_EBP, %ebp
    je 6f
    orl $8, %ecx
6:  movl %ecx, REGCALL_BROKEN(%eax)
    movl saved_esp, %esp        /* our frame back, whatever the callee did */

    fnstsw fpu_sw
    movzwl fpu_sw, %ecx
    shrl $11, %ecx
    andl $7, %ecx
    movl top_before, %edx
    subl %ecx, %edx
    andl $7, %edx               /* registers pushed by the callee */
    movl call_ptr, %eax
    movl %edx, REGCALL_FPU_DEPTH(%eax)
    testl %edx, %edx
    jz 7f
    fstpl REGCALL_ST0(%eax)
    cmpl $1, %edx
    je 7f
    fninit                      /* more than the result was left: clear it all */
    fldcw fpu_cw
7:
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret

#if !defined(_WIN32)
    .section .note.GNU-stack,"",@progbits
#endif
