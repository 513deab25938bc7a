/* Where each field of RegCall (regcall.h) lies, in bytes: the assembly addresses the
 * struct through these, and regcall.h checks at compile time that the struct puts
 * every field exactly there. Plain #defines, so that the assembler can read them. */
#ifndef KOLM_REGCALL_LAYOUT_H
#define KOLM_REGCALL_LAYOUT_H

#define REGCALL_FN 0
#define REGCALL_IN_EAX 4
#define REGCALL_IN_EDX 8
#define REGCALL_IN_ECX 12
#define REGCALL_STACK 16
#define REGCALL_STACK_WORDS 20
#define REGCALL_OUT_EAX 24
#define REGCALL_OUT_EDX 28
#define REGCALL_ESP_ERROR 32
#define REGCALL_BROKEN 36
#define REGCALL_FPU_DEPTH 40
#define REGCALL_ST0 48

#endif
