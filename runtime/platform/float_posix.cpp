// x87 precision control and the floating-point exception signal on POSIX hosts.
//
// Only integer division faults reach SIGFPE here: every x87 and SSE exception stays masked.
// The handler cannot let the faulting instruction run again (it would fault forever), and
// what the runtime does with the fault (a message box, then exit) is not safe inside a
// signal handler. So the signal handler only rewrites the interrupted context: the thread
// leaves the handler into float_fault_continue as if that function had been called at the
// faulting instruction, with the signal mask restored, and the runtime's handler runs there
// in ordinary context.
#include "runtime/platform/platform.h"

#include <signal.h>
#include <ucontext.h>

#include <atomic>
#include <cstdint>

namespace {

std::atomic<void (*)(int)> float_handler{nullptr};

[[noreturn]] void float_fault_continue() {
  if (auto handler = float_handler.load(std::memory_order_acquire)) handler(SIGFPE);
  // The handler must end the process; the faulting instruction cannot be resumed.
  platform_exit(0);
}

void on_host_fpe(int, siginfo_t *, void *context) {
#if defined(__linux__) && defined(__x86_64__)
  auto *uc = static_cast<ucontext_t *>(context);
  greg_t sp = uc->uc_mcontext.gregs[REG_RSP];
  sp -= 256;                    // stay clear of the interrupted function's red zone
  sp &= ~greg_t(15);
  sp -= 8;                      // the slot of a return address, as after a call
  *reinterpret_cast<uint64_t *>(sp) = uint64_t(uc->uc_mcontext.gregs[REG_RIP]);
  uc->uc_mcontext.gregs[REG_RSP] = sp;
  uc->uc_mcontext.gregs[REG_RIP] = greg_t(reinterpret_cast<uintptr_t>(&float_fault_continue));
#else
  (void)context;
  float_fault_continue();
#endif
}

}  // namespace

void platform_set_extended_precision() {
#if defined(__x86_64__) || defined(__i386__)
  uint16_t cw;
  __asm__ volatile("fnstcw %0" : "=m"(cw));
  cw = uint16_t((cw & ~0x0F3Fu) | 0x0300u | 0x003Fu);  // 64-bit mantissa, nearest, all masked
  __asm__ volatile("fldcw %0" : : "m"(cw));
#endif
}

uint16_t platform_x87_control_word() {
#if defined(__x86_64__) || defined(__i386__)
  uint16_t cw;
  __asm__ volatile("fnstcw %0" : "=m"(cw));
  return cw;
#else
  return 0;
#endif
}

bool platform_install_float_signal(void (*handler)(int signal_number)) {
  float_handler.store(handler, std::memory_order_release);
  struct sigaction action {};
  action.sa_sigaction = on_host_fpe;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  return sigaction(SIGFPE, &action, nullptr) == 0;
}
