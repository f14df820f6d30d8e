// The presenter: the display callback on the window thread. It takes the newest frame of
// the ring, keeps the window sized to it, carries out full-screen switches and draws the
// frame with OpenGL: unscaled with glDrawPixels, or scaled as one textured quad (with black
// bars when full screen keeps square pixels). It does nothing while no new frame exists
// and the window was not reshaped.
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>

#include "runtime/frame/display_internal.h"

MouseMapping mouse_mapping;

namespace {

constexpr GLuint FRAME_TEXTURE = 0xFFFFFFFFu;

void mark_displayed_before_newest() {
  int s = frame_ring.ring_oldest.load();
  if (s == 0) return;
  const int newest = frame_ring.ring_newest.load();
  for (int guard = 0; s != newest && guard < FRAME_RING_SLOTS; guard++) {
    frame_ring.slot[s].displayed = 1;
    s = ring_next(s);
  }
}

// Window sizing: the window follows the frame (or keeps the frame's aspect when the user
// stretches it). Returns false when a reshape was requested and drawing must wait for it.
bool size_window_to_frame(int32_t w, int32_t h) {
  WindowState &ws = window_state;
  const bool frame_size_changed = w != ws.last_frame_width || h != ws.last_frame_height;
  ws.last_frame_width = w;
  ws.last_frame_height = h;
  const float window_aspect =
      static_cast<float>(ws.window_width) / static_cast<float>(ws.window_height > 0 ? ws.window_height : 1);
  const float frame_aspect = static_cast<float>(w) / static_cast<float>(h);
  if (ws.resize_stretch.load() == 0 || window_aspect == ws.kept_aspect ||
      window_aspect == frame_aspect) {
    if ((ws.window_width != w || ws.window_height != h) &&
        (ws.resize_locked.load() != 0 || frame_size_changed)) {
      glutReshapeWindow(w, h);
      glutPostRedisplay();
      ws.reshape_pending = 1;
      return false;
    }
    return true;
  }
  // The user changed the window's aspect while stretching: keep the frame's aspect,
  // deriving the size from the side the user changed (the one that changed more).
  const int32_t dw = ws.window_width - ws.prev_window_width;
  const int32_t dh = ws.window_height - ws.prev_window_height;
  int32_t nw = ws.window_width, nh = ws.window_height;
  bool from_width;
  if (dw != 0 && dh == 0)
    from_width = true;
  else if (dh != 0 && dw == 0)
    from_width = false;
  else
    from_width = std::abs(dh) < std::abs(dw);
  if (from_width)
    nh = static_cast<int32_t>(static_cast<float>(nw) / frame_aspect);
  else
    nw = static_cast<int32_t>(frame_aspect * static_cast<float>(nh));
  if (nw < 1) nw = 1;
  if (nh < 1) nh = 1;
  ws.kept_aspect = static_cast<float>(nw) / static_cast<float>(nh);
  ws.reshape_pending = 1;
  glutReshapeWindow(nw, nh);
  glutPostRedisplay();
  return true;
}

bool enter_game_mode(int32_t width, int32_t height, int32_t request) {
  WindowState &ws = window_state;
  char mode_text[48];
  std::snprintf(mode_text, sizeof mode_text, "%dx%d:32", static_cast<int>(width),
                static_cast<int>(height));
  glutGameModeString(mode_text);
  if (!glutGameModeGet(GLUT_GAME_MODE_POSSIBLE)) return false;
  if (ws.fullscreen_mode.load() == 0) {
    ws.saved_window = glutGetWindow();
    ws.saved_width = ws.window_width;
    ws.saved_height = ws.window_height;
  }
  if (glutEnterGameMode() == 0) {
    if (ws.saved_window != 0) glutSetWindow(ws.saved_window);
    return false;
  }
  ws.fullscreen_width = width;
  ws.fullscreen_height = height;
  display_register_callbacks();
  ws.fullscreen_mode = request;
  ws.fullscreen_request = -1;
  return true;
}

// Full-screen switch; returns false when presentation ends here for this call.
bool switch_full_screen(int32_t w, int32_t h) {
  WindowState &ws = window_state;
  const int32_t request = ws.fullscreen_request.load();
  if (request == 0) {
    if (ws.fullscreen_mode.load() != 0) {
      glutLeaveGameMode();
      if (ws.saved_window != 0) glutSetWindow(ws.saved_window);
      display_register_callbacks();
      // The game-mode window's reshapes changed the remembered client size; the window
      // we return to still has its own.
      ws.window_width = ws.prev_window_width = ws.saved_width;
      ws.window_height = ws.prev_window_height = ws.saved_height;
    }
    ws.fullscreen_request = -1;
    ws.fullscreen_mode = 0;
    ws.force_redraw = 1;
    glutPostRedisplay();
    return false;
  }
  if (enter_game_mode(w, h, request)) return false;
  if (enter_game_mode(glutGet(GLUT_SCREEN_WIDTH), glutGet(GLUT_SCREEN_HEIGHT), request))
    return false;
  // No full-screen mode at either size: the window stays as it is.
  ws.fullscreen_mode = 0;
  ws.fullscreen_request = -1;
  return true;
}

void draw_unscaled(const uint32_t *pixels, int32_t w, int32_t h) {
  const WindowState &ws = window_state;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glViewport(0, 0, ws.window_width, ws.window_height);
  glOrtho(0, ws.window_width, ws.window_height, 0, -1, 1);
  glRasterPos2f(0, 0);
  glPixelZoom(1, -1);
  glDrawPixels(w, h, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
  mouse_mapping.offset_x = 0;
  mouse_mapping.offset_y = 0;
  mouse_mapping.scale_x = 1.0f;
  mouse_mapping.scale_y = 1.0f;
  mouse_mapping.max_x = w - 1;
  mouse_mapping.max_y = h - 1;
}

void draw_scaled(const uint32_t *pixels, int32_t w, int32_t h) {
  const WindowState &ws = window_state;
  const bool windowed = ws.fullscreen_mode.load() == 0;
  const int32_t W = windowed ? ws.window_width : ws.fullscreen_width;
  const int32_t H = windowed ? ws.window_height : ws.fullscreen_height;
  const bool smooth = windowed ? ws.resize_stretch.load() == 2 : ws.fullscreen_smooth.load() != 0;

  glBindTexture(GL_TEXTURE_2D, FRAME_TEXTURE);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluOrtho2D(0, W, 0, H);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glScalef(1, -1, 1);
  glTranslatef(0, static_cast<GLfloat>(-H), 0);
  if (windowed) glViewport(0, 0, W, H);
  glEnable(GL_TEXTURE_2D);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, smooth ? GL_LINEAR : GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);

  // Target area: the whole window or screen, or centred with bars for square pixels.
  int32_t x0 = 0, y0 = 0, dw = W, dh = H;
  const float frame_aspect = static_cast<float>(w) / static_cast<float>(h);
  const float screen_aspect = static_cast<float>(W) / static_cast<float>(H > 0 ? H : 1);
  const bool bars = ws.fullscreen_mode.load() == 2 && screen_aspect != frame_aspect;
  if (bars) {
    if (screen_aspect > frame_aspect) {
      dw = static_cast<int32_t>(frame_aspect * static_cast<float>(H));
      x0 = (W - dw) / 2;
    } else {
      dh = static_cast<int32_t>(static_cast<float>(W) / frame_aspect);
      y0 = (H - dh) / 2;
    }
  }
  const GLfloat l = static_cast<GLfloat>(x0), t = static_cast<GLfloat>(y0);
  const GLfloat r = static_cast<GLfloat>(x0 + dw), b = static_cast<GLfloat>(y0 + dh);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0); glVertex2f(l, t);
  glTexCoord2f(1, 0); glVertex2f(r, t);
  glTexCoord2f(1, 1); glVertex2f(r, b);
  glTexCoord2f(0, 1); glVertex2f(l, b);
  glEnd();
  if (bars) {  // black modulates the bound texture to black
    glBegin(GL_QUADS);
    glColor3f(0, 0, 0);
    if (x0 > 0) {
      const GLfloat right_edge = static_cast<GLfloat>(W), bottom = static_cast<GLfloat>(H);
      glVertex2f(0, 0); glVertex2f(l, 0); glVertex2f(l, bottom); glVertex2f(0, bottom);
      glVertex2f(r, 0); glVertex2f(right_edge, 0); glVertex2f(right_edge, bottom);
      glVertex2f(r, bottom);
    } else {
      const GLfloat right_edge = static_cast<GLfloat>(W), bottom = static_cast<GLfloat>(H);
      glVertex2f(0, 0); glVertex2f(right_edge, 0); glVertex2f(right_edge, t); glVertex2f(0, t);
      glVertex2f(0, b); glVertex2f(right_edge, b); glVertex2f(right_edge, bottom);
      glVertex2f(0, bottom);
    }
    glEnd();
    glColor3f(1, 1, 1);
  }
  mouse_mapping.offset_x = -x0;
  mouse_mapping.offset_y = -y0;
  mouse_mapping.scale_x = static_cast<float>(w) / static_cast<float>(dw > 0 ? dw : 1);
  mouse_mapping.scale_y = static_cast<float>(h) / static_cast<float>(dh > 0 ? dh : 1);
  mouse_mapping.max_x = dw - 1;
  mouse_mapping.max_y = dh - 1;
}

}  // namespace

namespace {
// Set by the 8 ms timer just before it requests a redisplay. A display call without it
// comes from the window system (the window was shown or uncovered and its contents are
// gone), so the newest frame is drawn again even though it was shown before.
bool redisplay_from_timer = false;
}  // namespace

void on_glut_display() {
  WindowState &ws = window_state;
  if (!redisplay_from_timer) ws.force_redraw = 1;
  redisplay_from_timer = false;
  if (frame_ring.ring_oldest.load() == 0) return;
  // 1. Every frame before the newest has been superseded.
  mark_displayed_before_newest();
  const int f = frame_ring.ring_newest.load();
  FrameSlot &slot = frame_ring.slot[f];
  const uint32_t *pixels = slot.pixels.load();
  const int32_t w = slot.width.load(), h = slot.height.load();
  if (pixels == nullptr || w < 1 || h < 1) return;

  // 2. Only a new frame, a reshape or a full-screen change needs drawing.
  if (slot.shown.load() != 0 && ws.fullscreen_request.load() == -1 && ws.force_redraw == 0)
    return;
  // The Pause key freezes the window: nothing is drawn or marked shown until it is
  // released, so the newest frame appears as soon as the program goes on.
  if ((rt_control.paused.load() & 1) != 0) return;
  ws.force_redraw = 0;

  // 3. Window sizing.
  if (ws.fullscreen_mode.load() == 0 && ws.fullscreen_request.load() == -1)
    if (!size_window_to_frame(w, h)) return;

  // 4. Full-screen switch.
  if (ws.reshape_pending == 0 && ws.fullscreen_request.load() != -1) {
    if (!switch_full_screen(w, h)) return;
    // No full-screen mode: the window stays, but it must still follow the frame, whose
    // size may have changed while the request was waiting.
    if (!size_window_to_frame(w, h)) return;
  }

  // 5-6. Draw.
  slot.shown = 1;
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_BLEND);
  glDisable(GL_COLOR_MATERIAL);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glClear(GL_COLOR_BUFFER_BIT);
  glClear(GL_DEPTH_BUFFER_BIT);
  if (ws.fullscreen_mode.load() == 0 && ws.resize_stretch.load() == 0)
    draw_unscaled(pixels, w, h);
  else
    draw_scaled(pixels, w, h);

  // 7. Superseded frames may now be recycled.
  mark_displayed_before_newest();
  if ((rt_control.paused.load() & 1) == 0) glutSwapBuffers();
  // A software renderer may still draw the first picture after a reshape into a back
  // buffer of the old size (shifted in the window); an unchanged frame would then stay
  // wrong, so the first drawing at a new window size is repeated at the next tick.
  static int32_t drawn_width = 0, drawn_height = 0;
  if (ws.window_width != drawn_width || ws.window_height != drawn_height) {
    drawn_width = ws.window_width;
    drawn_height = ws.window_height;
    ws.force_redraw = 1;
  }
}

// True when a presentation would draw something: a frame not shown yet, a full-screen
// request or a reshape to answer.
static bool presentation_due() {
  if (frame_ring.ring_oldest.load() == 0) return false;
  const FrameSlot &f = frame_ring.slot[frame_ring.ring_newest.load()];
  return f.shown.load() == 0 || window_state.fullscreen_request.load() != -1 ||
         window_state.force_redraw != 0;
}

// The composer wakes the window thread after each new frame, so the frame need not wait for
// the next tick; the tick still presents whatever this misses.
void on_frame_ready() {
  if (rt_control.window_created.load() != 0 && presentation_due()) {
    redisplay_from_timer = true;
    glutPostRedisplay();
  }
}

void on_glut_timer(int value) {
  window_apply_requests();
  // An idle screen costs only this timer: the display callback runs when there is
  // something to present (or when the window system asks for it).
  if (presentation_due()) {
    redisplay_from_timer = true;
    glutPostRedisplay();
  }
  glutTimerFunc(8, on_glut_timer, value);
}
