// Window statements and the reshape callback: resizing and stretching, full screen, the
// title, showing and hiding. Program-thread statements only record requests; every
// window-system call is made on the window thread (the presenter and the 8 ms timer).
#include <GL/freeglut.h>

#include <cstring>
#include <new>

#include "runtime/errors/errors.h"
#include "runtime/frame/display_internal.h"
#include "runtime/platform/platform.h"

// Mouse callbacks of the input-device layer.
void on_glut_mouse(int button, int state, int x, int y);
void on_glut_motion(int x, int y);
void on_glut_passive_motion(int x, int y);
void on_glut_wheel(int wheel, int direction, int x, int y);

WindowState window_state;

namespace {
// The title the window shows; owned by the window thread.
char *window_title = nullptr;

bool error_pending() { return pending_error.load() != 0; }
}  // namespace

// A window that becomes visible again has lost its contents: draw the newest frame again.
static void on_glut_window_status(int state) {
  if (state != GLUT_HIDDEN) window_state.force_redraw = 1;
}

void display_register_callbacks() {
  glutDisplayFunc(on_glut_display);
  // The timer is not tied to a window: it re-arms itself, so it is started only once
  // (full-screen switches register the other callbacks again).
  static bool timer_started = false;
  if (!timer_started) {
    timer_started = true;
    glutTimerFunc(8, on_glut_timer, 0);
  }
  glutKeyboardFunc(on_glut_keyboard);
  glutKeyboardUpFunc(on_glut_keyboard_up);
  glutSpecialFunc(on_glut_special);
  glutSpecialUpFunc(on_glut_special_up);
  glutMouseFunc(on_glut_mouse);
  glutMotionFunc(on_glut_motion);
  glutPassiveMotionFunc(on_glut_passive_motion);
  glutReshapeFunc(on_glut_reshape);
  glutMouseWheelFunc(on_glut_wheel);
  glutWindowStatusFunc(on_glut_window_status);
}

void on_glut_reshape(int width, int height) {
  WindowState &ws = window_state;
  ws.resize_width = width;
  ws.resize_height = height;
  ws.resize_seen = -1;
  ws.prev_window_width = ws.window_width;
  ws.prev_window_height = ws.window_height;
  ws.window_width = width;
  ws.window_height = height > 0 ? height : 1;
  ws.reshape_pending = 0;
  ws.force_redraw = 1;
}

// ---- title --------------------------------------------------------------------------------

void rt_title(BasicString *text) {
  if (error_pending()) return;
  int32_t n = text != nullptr && text->length > 0 ? text->length : 0;
  char *copy = new (std::nothrow) char[static_cast<size_t>(n) + 1];
  if (copy == nullptr) {
    rt_error(ERR_OUT_OF_MEMORY);
    return;
  }
  if (n > 0) std::memcpy(copy, text->data, static_cast<size_t>(n));
  copy[n] = 0;
  // The window thread takes the newest request; one it never took is ours to free.
  delete[] window_state.title_pending.exchange(copy);
}

static void take_pending_title() {
  char *t = window_state.title_pending.exchange(nullptr);
  if (t == nullptr) return;
  delete[] window_title;
  window_title = t;
  if (rt_control.window_created.load() != 0) glutSetWindowTitle(window_title);
}

const char *window_title_text() {
  take_pending_title();
  return window_title != nullptr ? window_title : "Untitled";
}

void window_apply_requests() {
  take_pending_title();
  int32_t request = window_state.visibility_request.exchange(0);
  if (request == 1)
    glutShowWindow();
  else if (request == 2)
    glutHideWindow();
}

// ---- showing and hiding -------------------------------------------------------------------

// The request is posted even before the window exists: start-up may be creating it at this
// moment (allowed before the program hid it), and the window thread carries the request
// out as soon as its event loop runs. Showing or hiding a window already so does nothing.
void rt_screen_show() {
  if (error_pending()) return;
  window_state.visibility_request = 1;
  if (rt_control.window_created.load() == 0) rt_control.window_allowed = 1;
  rt_control.screen_hidden = 0;
}

void rt_screen_hide() {
  if (error_pending()) return;
  window_state.visibility_request = 2;
  rt_control.screen_hidden = 1;
}

// ---- resizing ------------------------------------------------------------------------------

void rt_resize_mode(int32_t on_off, int32_t scaling) {
  if (error_pending()) return;
  if (scaling < 0 || scaling > 2) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  if (on_off == 1)
    window_state.resize_locked = 0;
  else if (on_off == 2)
    window_state.resize_locked = 1;
  window_state.resize_stretch = scaling;
}

int32_t rt_resize_query() {
  if (error_pending()) return 0;
  if (window_state.resize_locked.load() != 0) return 0;
  return window_state.resize_seen.exchange(0) != 0 ? -1 : 0;
}

int32_t rt_resize_width() { return error_pending() ? 0 : window_state.resize_width.load(); }
int32_t rt_resize_height() { return error_pending() ? 0 : window_state.resize_height.load(); }

// ---- full screen ---------------------------------------------------------------------------

void rt_fullscreen(int32_t mode, int32_t flags) {
  if (error_pending()) return;
  if (mode < 0 || mode > 3) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  window_state.fullscreen_smooth = flags & 1;
  // One request at a time; the presenter serves it at its next pass (not while hidden).
  while (window_state.fullscreen_request.load() != -1 && rt_control.stop_all.load() == 0 &&
         rt_control.screen_hidden.load() == 0)
    platform_sleep_ms(1);
  display_wait_frame();
  window_state.fullscreen_request = mode == 1 ? 0 : (mode == 3 ? 2 : 1);
}

int32_t rt_fullscreen_query() {
  return error_pending() ? 0 : window_state.fullscreen_mode.load();
}

void display_fullscreen_toggle() {
  // A request already waiting is served first; the toggle never queues a second one.
  int32_t expected = -1;
  window_state.fullscreen_request.compare_exchange_strong(
      expected, window_state.fullscreen_mode.load() != 0 ? 0 : 1);
}

int32_t display_fullscreen_mode() { return window_state.fullscreen_mode.load(); }

void display_fullscreen_request(int32_t request) {
  if (request >= 0 && request <= 2) window_state.fullscreen_request = request;
}
