// Hallway Breakout: the process entry hands the translated program to the runtime.
#include "game/game.h"
#include "runtime/frame/frame.h"

#if defined(__SANITIZE_THREAD__)
// ThreadSanitizer builds only: Mesa's software renderer synchronises its own threads in
// ways the sanitizer cannot see and reports races inside the driver alone. Those are not
// ours; our own code stays fully checked.
extern "C" const char *__tsan_default_suppressions() {
  return "called_from_lib:swrast_dri.so\n";
}
#endif

int main(int argc, char **argv) { runtime_main(argc, argv, game_main_module); }
