// The window: created on the window thread once start-up allows it, extended by the
// window layer's hook (close button, Pause and Break, raw mouse motion), and then the
// window system's event loop for the rest of the process. Every window-system and OpenGL
// call happens on this thread.
#include <GL/freeglut.h>

#include "runtime/frame/frame.h"
#include "runtime/platform/platform.h"

[[noreturn]] void window_create_and_run(int argc, char **argv) {
  // The window system gets only the program's name: the arguments belong to the BASIC
  // program (COMMAND$), and options meant for it must not reconfigure the window.
  static char fallback_name[] = "basic";
  char *name = (argc > 0 && argv[0]) ? argv[0] : fallback_name;
  int glut_argc = 1;
  char *glut_argv[] = {name, nullptr};
  glutInit(&glut_argc, glut_argv);
  glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowSize(1024, 552);
  // Should a close message ever reach the window system, the process must not end in the
  // middle of the other threads' work: the main loop ends it.
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
  glutCreateWindow(window_title_text());
  platform_window_layer_install(window_hook);
  rt_control.window_created = 1;

  display_register_callbacks();
  glutMainLoop();
  // The loop returns only when its last window is gone; the main loop still ends the
  // process.
  for (;;) platform_sleep_ms(100);
}
