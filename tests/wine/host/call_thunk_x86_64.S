/* The generic call thunk of the 64-bit test host; see call_thunk_x86_64.h.
   It carries unwind information, so that a fault in the callee reaches the
   host's unhandled-exception filter through this frame. */

#define TARGET 0
#define INTEGER_IN 8
#define XMM_IN 40
#define SENTINEL 72
#define XMM_SENTINEL 136
#define RAX_OUT 296
#define XMM0_OUT 304
#define POPPED 312
#define KEPT 320
#define XMM_KEPT 384
#define FPU_ENV 544
#define MXCSR_OUT 572

        .data
        .balign 16
host_xmm:       .space 160
current:        .quad 0
saved_rsp:      .quad 0
rsp_at_call:    .quad 0
rsp_after:      .quad 0
rax_after:      .quad 0
cw_before:      .long 0
mxcsr_before:   .long 0
scratch_env:    .space 28

        .text
        .globl RunThunkCall64
        .def RunThunkCall64; .scl 2; .type 32; .endef
        .seh_proc RunThunkCall64
RunThunkCall64:
        pushq %rbx
        .seh_pushreg %rbx
        pushq %rbp
        .seh_pushreg %rbp
        pushq %rsi
        .seh_pushreg %rsi
        pushq %rdi
        .seh_pushreg %rdi
        pushq %r12
        .seh_pushreg %r12
        pushq %r13
        .seh_pushreg %r13
        pushq %r14
        .seh_pushreg %r14
        pushq %r15
        .seh_pushreg %r15
        /* Entry left RSP 8 past a multiple of 16 and the pushes kept that:
           8 more make it aligned at the call, 32 are the callee's home space. */
        subq $40, %rsp
        .seh_stackalloc 40
        .seh_endprologue

        movdqu %xmm6, host_xmm+0(%rip)
        movdqu %xmm7, host_xmm+16(%rip)
        movdqu %xmm8, host_xmm+32(%rip)
        movdqu %xmm9, host_xmm+48(%rip)
        movdqu %xmm10, host_xmm+64(%rip)
        movdqu %xmm11, host_xmm+80(%rip)
        movdqu %xmm12, host_xmm+96(%rip)
        movdqu %xmm13, host_xmm+112(%rip)
        movdqu %xmm14, host_xmm+128(%rip)
        movdqu %xmm15, host_xmm+144(%rip)
        movq %rcx, current(%rip)
        movq %rsp, saved_rsp(%rip)
        movq %rcx, %rax

        movq SENTINEL+0(%rax), %rbx
        movq SENTINEL+8(%rax), %rbp
        movq SENTINEL+16(%rax), %rsi
        movq SENTINEL+24(%rax), %rdi
        movq SENTINEL+32(%rax), %r12
        movq SENTINEL+40(%rax), %r13
        movq SENTINEL+48(%rax), %r14
        movq SENTINEL+56(%rax), %r15
        movdqu XMM_SENTINEL+0(%rax), %xmm6
        movdqu XMM_SENTINEL+16(%rax), %xmm7
        movdqu XMM_SENTINEL+32(%rax), %xmm8
        movdqu XMM_SENTINEL+48(%rax), %xmm9
        movdqu XMM_SENTINEL+64(%rax), %xmm10
        movdqu XMM_SENTINEL+80(%rax), %xmm11
        movdqu XMM_SENTINEL+96(%rax), %xmm12
        movdqu XMM_SENTINEL+112(%rax), %xmm13
        movdqu XMM_SENTINEL+128(%rax), %xmm14
        movdqu XMM_SENTINEL+144(%rax), %xmm15
        fnclex
        fnstcw cw_before(%rip)
        stmxcsr mxcsr_before(%rip)
        movq %rsp, rsp_at_call(%rip)
        movq TARGET(%rax), %r11
        movq INTEGER_IN+0(%rax), %rcx
        movq INTEGER_IN+8(%rax), %rdx
        movq INTEGER_IN+16(%rax), %r8
        movq INTEGER_IN+24(%rax), %r9
        movq XMM_IN+0(%rax), %xmm0
        movq XMM_IN+8(%rax), %xmm1
        movq XMM_IN+16(%rax), %xmm2
        movq XMM_IN+24(%rax), %xmm3
        call *%r11

        /* Record before anything else changes. */
        movq %rsp, rsp_after(%rip)
        movq %rax, rax_after(%rip)
        movq current(%rip), %rax
        movq %xmm0, XMM0_OUT(%rax)
        movq rax_after(%rip), %rdx
        movq %rdx, RAX_OUT(%rax)
        movq rsp_after(%rip), %rdx
        subq rsp_at_call(%rip), %rdx
        movq %rdx, POPPED(%rax)
        movq %rbx, KEPT+0(%rax)
        movq %rbp, KEPT+8(%rax)
        movq %rsi, KEPT+16(%rax)
        movq %rdi, KEPT+24(%rax)
        movq %r12, KEPT+32(%rax)
        movq %r13, KEPT+40(%rax)
        movq %r14, KEPT+48(%rax)
        movq %r15, KEPT+56(%rax)
        movdqu %xmm6, XMM_KEPT+0(%rax)
        movdqu %xmm7, XMM_KEPT+16(%rax)
        movdqu %xmm8, XMM_KEPT+32(%rax)
        movdqu %xmm9, XMM_KEPT+48(%rax)
        movdqu %xmm10, XMM_KEPT+64(%rax)
        movdqu %xmm11, XMM_KEPT+80(%rax)
        movdqu %xmm12, XMM_KEPT+96(%rax)
        movdqu %xmm13, XMM_KEPT+112(%rax)
        movdqu %xmm14, XMM_KEPT+128(%rax)
        movdqu %xmm15, XMM_KEPT+144(%rax)
        stmxcsr MXCSR_OUT(%rax)
        /* FNSTENV waits for nothing and masks every x87 exception until
           the FLDENV below, so a flag the callee left pending cannot trap. */
        fnstenv FPU_ENV(%rax)

        /* Empty the x87 stack, clear its flags and put back the control
           words and the registers the host had before the call. */
        fnstenv scratch_env(%rip)
        movw cw_before(%rip), %dx
        movw %dx, scratch_env(%rip)
        movw $0, scratch_env+4(%rip)
        movw $0xFFFF, scratch_env+8(%rip)
        fldenv scratch_env(%rip)
        ldmxcsr mxcsr_before(%rip)
        movq saved_rsp(%rip), %rsp
        movdqu host_xmm+0(%rip), %xmm6
        movdqu host_xmm+16(%rip), %xmm7
        movdqu host_xmm+32(%rip), %xmm8
        movdqu host_xmm+48(%rip), %xmm9
        movdqu host_xmm+64(%rip), %xmm10
        movdqu host_xmm+80(%rip), %xmm11
        movdqu host_xmm+96(%rip), %xmm12
        movdqu host_xmm+112(%rip), %xmm13
        movdqu host_xmm+128(%rip), %xmm14
        movdqu host_xmm+144(%rip), %xmm15

        addq $40, %rsp
        popq %r15
        popq %r14
        popq %r13
        popq %r12
        popq %rdi
        popq %rsi
        popq %rbp
        popq %rbx
        ret
        .seh_endproc
