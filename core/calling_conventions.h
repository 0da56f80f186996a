#pragma once
// The two calling conventions of the driver interface on 32-bit Windows.
//
// Register convention: the first three integer or pointer parameters in EAX,
// EDX, ECX; floating parameters on the stack; the callee removes its stack
// parameters. GCC's regparm(3) with stdcall gives exactly that. Its stack
// parameters are pushed left to right, the reverse of stdcall, so a function
// with two stack parameters lists them through PUSHED_LEFT_TO_RIGHT.
//
// Elsewhere (x86-64, native Linux) there is one convention and the macros
// are empty; parameters keep the order of the interface.
#if defined(_WIN32) && defined(__i386__)
#define REGISTER_CALL __attribute__((regparm(3), stdcall))
#define STD_CALL __attribute__((stdcall))
#define PUSHED_LEFT_TO_RIGHT(first, second) second, first
#else
#define REGISTER_CALL
#define STD_CALL
#define PUSHED_LEFT_TO_RIGHT(first, second) first, second
#endif

// Windows exports by exports.def; ELF builds hide everything but the 58.
#if defined(_WIN32)
#define DRIVER_EXPORT extern "C"
#else
#define DRIVER_EXPORT extern "C" __attribute__((visibility("default")))
#endif
