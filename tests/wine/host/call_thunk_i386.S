/* The generic call thunk of the 32-bit test host; see call_thunk.h. */

#define TARGET 0
#define EAX_IN 4
#define EDX_IN 8
#define ECX_IN 12
#define STACK_WORDS 16
#define STACK 20
#define SENTINEL 24
#define EAX_OUT 40
#define EDX_OUT 44
#define POPPED 48
#define KEPT 52
#define FPU_ENV 68
#define ST0 96
#define ST0_VALID 108
#define MXCSR_OUT 112

        .data
        .balign 4
current:        .long 0
saved_esp:      .long 0
esp_at_call:    .long 0
esp_after:      .long 0
eax_after:      .long 0
call_target:    .long 0
cw_before:      .long 0
mxcsr_before:   .long 0
scratch_env:    .space 28

        .text
        .globl _RunThunkCall
_RunThunkCall:
        pushl %ebp
        pushl %ebx
        pushl %esi
        pushl %edi
        movl 20(%esp), %eax
        movl %eax, current
        movl %esp, saved_esp

        /* Push the stack words in order. */
        movl STACK_WORDS(%eax), %ecx
        movl STACK(%eax), %edx
        xorl %ebx, %ebx
1:      cmpl %ecx, %ebx
        jae 2f
        pushl (%edx,%ebx,4)
        incl %ebx
        jmp 1b

2:      movl TARGET(%eax), %ebx
        movl %ebx, call_target
        fnclex
        fnstcw cw_before
        stmxcsr mxcsr_before
        movl %esp, esp_at_call
        movl SENTINEL+0(%eax), %ebx
        movl SENTINEL+4(%eax), %esi
        movl SENTINEL+8(%eax), %edi
        movl SENTINEL+12(%eax), %ebp
        movl EDX_IN(%eax), %edx
        movl ECX_IN(%eax), %ecx
        movl EAX_IN(%eax), %eax
        call *call_target

        /* Record before anything else changes. */
        movl %esp, esp_after
        movl saved_esp, %esp
        movl %eax, eax_after
        movl current, %eax
        movl %edx, EDX_OUT(%eax)
        movl eax_after, %edx
        movl %edx, EAX_OUT(%eax)
        movl esp_after, %edx
        subl esp_at_call, %edx
        movl %edx, POPPED(%eax)
        movl %ebx, KEPT+0(%eax)
        movl %esi, KEPT+4(%eax)
        movl %edi, KEPT+8(%eax)
        movl %ebp, KEPT+12(%eax)
        stmxcsr MXCSR_OUT(%eax)
        /* FNSTENV waits for nothing and masks every x87 exception until
           the FLDENV below, so a flag the callee left pending cannot trap. */
        fnstenv FPU_ENV(%eax)
        movl $0, ST0_VALID(%eax)

        /* ST(0) is physical register TOP; its tag is 3 when it is empty. */
        movzwl FPU_ENV+4(%eax), %ecx
        shrl $11, %ecx
        andl $7, %ecx
        addl %ecx, %ecx
        movzwl FPU_ENV+8(%eax), %edx
        shrl %cl, %edx
        andl $3, %edx
        cmpl $3, %edx
        je 3f
        fstpt ST0(%eax)
        movl $1, ST0_VALID(%eax)

        /* Empty the x87 stack, clear its flags and put back the control
           words the host had before the call. */
3:      fnstenv scratch_env
        movw cw_before, %dx
        movw %dx, scratch_env
        movw $0, scratch_env+4
        movw $0xFFFF, scratch_env+8
        fldenv scratch_env
        ldmxcsr mxcsr_before

        popl %edi
        popl %esi
        popl %ebx
        popl %ebp
        ret
