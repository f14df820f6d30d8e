// Start-up and the window layer call these functions of parts that are not built yet.
// Each owner deletes a definition here in the same step that adds the real one.
#include "runtime/files/files.h"
#include "runtime/frame/frame.h"
#include "runtime/platform/platform.h"
#include "runtime/print/print.h"
#include "runtime/values/values.h"

// ---- mouse ------------------------------------------------------------------------------
void on_glut_mouse(int, int, int, int) {}
void on_glut_motion(int, int) {}
void on_glut_passive_motion(int, int) {}
void on_glut_wheel(int, int, int, int) {}
void mouse_raw_motion(int, int) {}

// ---- files and printing -------------------------------------------------------------------
void files_close_all() {}
int printer_page_pending() { return 0; }
void printer_flush_page() {}
