// Message boxes drawn with plain Xlib on a connection of their own, so that a box can be
// shown from the program thread while the window thread owns the game window's connection.
// A fresh X server may have nothing but the core fonts, so the box uses the core font
// "fixed" and draws its buttons itself.
#include "runtime/platform/platform.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::atomic<MessageBoxHandler> box_handler{nullptr};
std::atomic<bool (*)()> box_cancel{nullptr};

// Waits for the next event of the box's connection, asking the cancel predicate every
// 16 ms; false when the box is to be taken away.
bool next_event_unless_cancelled(Display *d, XEvent *event) {
  while (!XPending(d)) {
    bool (*cancel)() = box_cancel.load(std::memory_order_acquire);
    if (cancel && cancel()) return false;
    pollfd connection{ConnectionNumber(d), POLLIN, 0};
    poll(&connection, 1, 16);
  }
  XNextEvent(d, event);
  return true;
}

constexpr int MARGIN = 16;
constexpr int BUTTON_GAP = 10;
constexpr int BUTTON_MIN_WIDTH = 75;
constexpr int LINE_GAP = 2;

struct BoxButton {
  const char *label;
  int answer;
  int x, y, width, height;
};

struct Box {
  Display *display = nullptr;
  Window window = 0;
  GC gc = nullptr;
  XFontStruct *font = nullptr;
  bool own_font = false;
  unsigned long face = 0, light = 0, shadow = 0, text = 0;
  std::vector<std::string> lines;
  BoxButton buttons[2] = {};
  int button_count = 0;
  int focused = 0;    // button that Enter and Space answer
  int pressed = -1;   // button under a held mouse button
  int width = 0, height = 0;
  Atom wm_delete = 0;
};

std::vector<std::string> split_lines(const char *text) {
  std::vector<std::string> lines;
  std::string line;
  for (const char *p = text; *p; ++p) {
    if (*p == '\n') {
      lines.push_back(line);
      line.clear();
    } else if (*p != '\r') {
      line.push_back(*p);
    }
  }
  lines.push_back(line);
  return lines;
}

unsigned long named_colour(Display *d, int screen, unsigned short r, unsigned short g,
                           unsigned short b, unsigned long fallback) {
  XColor colour{};
  colour.red = r;
  colour.green = g;
  colour.blue = b;
  colour.flags = DoRed | DoGreen | DoBlue;
  if (XAllocColor(d, DefaultColormap(d, screen), &colour)) return colour.pixel;
  return fallback;
}

int text_width(const Box &box, const std::string &s) {
  return XTextWidth(box.font, s.data(), int(s.size()));
}

int line_height(const Box &box) { return box.font->ascent + box.font->descent + LINE_GAP; }

void draw_button(Box &box, int index) {
  Display *d = box.display;
  const BoxButton &b = box.buttons[index];
  bool down = box.pressed == index;
  XSetForeground(d, box.gc, box.face);
  XFillRectangle(d, box.window, box.gc, b.x, b.y, unsigned(b.width), unsigned(b.height));
  // Raised bevel; sunken while the mouse holds it down.
  XSetForeground(d, box.gc, down ? box.shadow : box.light);
  XDrawLine(d, box.window, box.gc, b.x, b.y, b.x + b.width - 1, b.y);
  XDrawLine(d, box.window, box.gc, b.x, b.y, b.x, b.y + b.height - 1);
  XSetForeground(d, box.gc, down ? box.light : box.shadow);
  XDrawLine(d, box.window, box.gc, b.x, b.y + b.height - 1, b.x + b.width - 1, b.y + b.height - 1);
  XDrawLine(d, box.window, box.gc, b.x + b.width - 1, b.y, b.x + b.width - 1, b.y + b.height - 1);
  XSetForeground(d, box.gc, box.text);
  if (index == box.focused) XDrawRectangle(d, box.window, box.gc, b.x - 2, b.y - 2,
                                           unsigned(b.width + 3), unsigned(b.height + 3));
  std::string label = b.label;
  int tx = b.x + (b.width - text_width(box, label)) / 2 + (down ? 1 : 0);
  int ty = b.y + (b.height - (box.font->ascent + box.font->descent)) / 2 + box.font->ascent +
           (down ? 1 : 0);
  XDrawString(d, box.window, box.gc, tx, ty, label.data(), int(label.size()));
}

void draw_box(Box &box) {
  Display *d = box.display;
  XSetForeground(d, box.gc, box.face);
  XFillRectangle(d, box.window, box.gc, 0, 0, unsigned(box.width), unsigned(box.height));
  XSetForeground(d, box.gc, box.text);
  int y = MARGIN + box.font->ascent;
  for (const std::string &line : box.lines) {
    XDrawString(d, box.window, box.gc, MARGIN, y, line.data(), int(line.size()));
    y += line_height(box);
  }
  for (int i = 0; i < box.button_count; ++i) draw_button(box, i);
  XFlush(d);
}

int button_at(const Box &box, int x, int y) {
  for (int i = 0; i < box.button_count; ++i) {
    const BoxButton &b = box.buttons[i];
    if (x >= b.x && x < b.x + b.width && y >= b.y && y < b.y + b.height) return i;
  }
  return -1;
}

void layout(Box &box, int buttons) {
  if (buttons == MESSAGE_BOX_YES_NO) {
    box.buttons[0] = {"Yes", MESSAGE_BOX_ANSWER_YES, 0, 0, 0, 0};
    box.buttons[1] = {"No", MESSAGE_BOX_ANSWER_NO, 0, 0, 0, 0};
    box.button_count = 2;
  } else {
    box.buttons[0] = {"OK", MESSAGE_BOX_ANSWER_OK, 0, 0, 0, 0};
    box.button_count = 1;
  }
  int text_w = 0;
  for (const std::string &line : box.lines) text_w = std::max(text_w, text_width(box, line));
  int font_h = box.font->ascent + box.font->descent;
  int button_h = font_h + 12;
  int button_w = BUTTON_MIN_WIDTH;
  for (int i = 0; i < box.button_count; ++i)
    button_w = std::max(button_w, text_width(box, box.buttons[i].label) + 24);
  int row_w = box.button_count * button_w + (box.button_count - 1) * BUTTON_GAP;
  box.width = std::max({text_w, row_w, 180}) + 2 * MARGIN;
  int text_h = int(box.lines.size()) * line_height(box) - LINE_GAP;
  box.height = MARGIN + text_h + MARGIN + button_h + MARGIN;
  int x = (box.width - row_w) / 2;
  int y = box.height - MARGIN - button_h;
  for (int i = 0; i < box.button_count; ++i) {
    box.buttons[i].x = x;
    box.buttons[i].y = y;
    box.buttons[i].width = button_w;
    box.buttons[i].height = button_h;
    x += button_w + BUTTON_GAP;
  }
}

void set_title(Box &box, const char *title) {
  Display *d = box.display;
  XStoreName(d, box.window, title);
  Atom net_wm_name = XInternAtom(d, "_NET_WM_NAME", False);
  Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  XChangeProperty(d, box.window, net_wm_name, utf8, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char *>(title), int(std::strlen(title)));
  XClassHint class_hint;
  char name[] = "message_box", class_name[] = "MessageBox";
  class_hint.res_name = name;
  class_hint.res_class = class_name;
  XSetClassHint(d, box.window, &class_hint);
  long pid = long(getpid());
  XChangeProperty(d, box.window, XInternAtom(d, "_NET_WM_PID", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<unsigned char *>(&pid), 1);
}

// Tells the window manager what the box is: a fixed-size dialog that takes input, kept
// above other windows when system-modal.
void set_window_manager_hints(Box &box, bool system_modal) {
  Display *d = box.display;
  int screen = DefaultScreen(d);
  XSizeHints *size = XAllocSizeHints();
  if (size) {
    size->flags = PPosition | PSize | PMinSize | PMaxSize;
    size->x = (DisplayWidth(d, screen) - box.width) / 2;
    size->y = (DisplayHeight(d, screen) - box.height) / 2;
    size->width = size->min_width = size->max_width = box.width;
    size->height = size->min_height = size->max_height = box.height;
    XSetWMNormalHints(d, box.window, size);
    XFree(size);
  }
  XWMHints *hints = XAllocWMHints();
  if (hints) {
    hints->flags = InputHint | StateHint;
    hints->input = True;
    hints->initial_state = NormalState;
    XSetWMHints(d, box.window, hints);
    XFree(hints);
  }
  box.wm_delete = XInternAtom(d, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(d, box.window, &box.wm_delete, 1);
  Atom type = XInternAtom(d, "_NET_WM_WINDOW_TYPE", False);
  Atom dialog = XInternAtom(d, "_NET_WM_WINDOW_TYPE_DIALOG", False);
  XChangeProperty(d, box.window, type, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char *>(&dialog), 1);
  if (system_modal) {
    Atom state = XInternAtom(d, "_NET_WM_STATE", False);
    Atom states[2] = {XInternAtom(d, "_NET_WM_STATE_ABOVE", False),
                      XInternAtom(d, "_NET_WM_STATE_MODAL", False)};
    XChangeProperty(d, box.window, state, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char *>(states), 2);
  }
}

// Gives the box the keyboard focus once it is viewable (focusing a window that is not
// viewable is a protocol error), and asks a window manager to activate it.
bool take_focus(Box &box) {
  Display *d = box.display;
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(d, box.window, &attributes) || attributes.map_state != IsViewable)
    return false;
  XSetInputFocus(d, box.window, RevertToParent, CurrentTime);
  XEvent message{};
  message.xclient.type = ClientMessage;
  message.xclient.window = box.window;
  message.xclient.message_type = XInternAtom(d, "_NET_ACTIVE_WINDOW", False);
  message.xclient.format = 32;
  message.xclient.data.l[0] = 2;  // request from a pager-like source: honoured at once
  message.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask,
             &message);
  XFlush(d);
  return true;
}

int escape_answer(const Box &box) {
  return box.button_count == 2 ? MESSAGE_BOX_ANSWER_NO : MESSAGE_BOX_ANSWER_OK;
}

// Returns the answer for a key press, or 0 when the key answers nothing.
int key_answer(Box &box, XKeyEvent *event) {
  char buffer[8];
  KeySym sym = NoSymbol;
  XLookupString(event, buffer, sizeof buffer, &sym, nullptr);
  bool yes_no = box.button_count == 2;
  switch (sym) {
    case XK_y:
    case XK_Y:
      return yes_no ? MESSAGE_BOX_ANSWER_YES : 0;
    case XK_n:
    case XK_N:
      return yes_no ? MESSAGE_BOX_ANSWER_NO : 0;
    case XK_Return:
    case XK_KP_Enter:
    case XK_space:
      return box.buttons[box.focused].answer;
    case XK_Escape:
      return escape_answer(box);
    case XK_Tab:
    case XK_ISO_Left_Tab:
    case XK_Left:
    case XK_Right:
      box.focused = (box.focused + 1) % box.button_count;
      draw_box(box);
      return 0;
    default:
      return 0;
  }
}

int run_box(Box &box, bool system_modal) {
  Display *d = box.display;
  bool focused = false;
  for (;;) {
    XEvent event;
    if (!next_event_unless_cancelled(d, &event)) return escape_answer(box);
    if (event.xany.window != box.window) continue;
    switch (event.type) {
      case Expose:
        if (event.xexpose.count == 0) draw_box(box);
        break;
      case MapNotify:
      case VisibilityNotify:
        if (!focused) focused = take_focus(box);
        // Without a window manager nothing else keeps a system-modal box on top.
        if (event.type == VisibilityNotify && system_modal &&
            event.xvisibility.state != VisibilityUnobscured)
          XRaiseWindow(d, box.window);
        break;
      case KeyPress:
        if (int answer = key_answer(box, &event.xkey)) return answer;
        break;
      case ButtonPress:
        if (event.xbutton.button == Button1) {
          box.pressed = button_at(box, event.xbutton.x, event.xbutton.y);
          if (box.pressed >= 0) box.focused = box.pressed;
          draw_box(box);
        }
        break;
      case ButtonRelease:
        if (event.xbutton.button == Button1) {
          int hit = button_at(box, event.xbutton.x, event.xbutton.y);
          int was = box.pressed;
          box.pressed = -1;
          if (hit >= 0 && hit == was) return box.buttons[hit].answer;
          draw_box(box);
        }
        break;
      case ClientMessage:
        if (Atom(event.xclient.data.l[0]) == box.wm_delete) return escape_answer(box);
        break;
      default:
        break;
    }
  }
}

int answer_without_display(const char *text, const char *title, int buttons) {
  std::fprintf(stderr, "%s\n%s\n", title, text);
  std::fflush(stderr);
  return buttons == MESSAGE_BOX_YES_NO ? MESSAGE_BOX_ANSWER_NO : MESSAGE_BOX_ANSWER_OK;
}

}  // namespace

void platform_set_message_box_cancel(bool (*cancel)()) {
  box_cancel.store(cancel, std::memory_order_release);
}

void platform_set_message_box_handler(MessageBoxHandler handler) {
  box_handler.store(handler, std::memory_order_release);
}

int platform_message_box(const char *text, const char *title, int buttons, bool system_modal) {
  if (!text) text = "";
  if (!title) title = "";
  if (buttons != MESSAGE_BOX_YES_NO) buttons = MESSAGE_BOX_OK;
  if (MessageBoxHandler handler = box_handler.load(std::memory_order_acquire))
    return handler(text, title, buttons, system_modal);

  Box box;
  box.display = XOpenDisplay(nullptr);
  if (!box.display) return answer_without_display(text, title, buttons);
  Display *d = box.display;
  int screen = DefaultScreen(d);

  box.font = XLoadQueryFont(d, "fixed");
  box.own_font = box.font != nullptr;
  if (!box.font) box.font = XQueryFont(d, XGContextFromGC(DefaultGC(d, screen)));
  if (!box.font) {
    XCloseDisplay(d);
    return answer_without_display(text, title, buttons);
  }
  box.lines = split_lines(text);
  layout(box, buttons);

  unsigned long black = BlackPixel(d, screen), white = WhitePixel(d, screen);
  box.face = named_colour(d, screen, 0xD4D4, 0xD0D0, 0xC8C8, white);
  box.light = named_colour(d, screen, 0xFFFF, 0xFFFF, 0xFFFF, white);
  box.shadow = named_colour(d, screen, 0x8080, 0x8080, 0x8080, black);
  box.text = black;

  XSetWindowAttributes attributes{};
  attributes.background_pixel = box.face;
  attributes.border_pixel = black;
  attributes.event_mask = ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask |
                          StructureNotifyMask | VisibilityChangeMask;
  box.window = XCreateWindow(d, RootWindow(d, screen), (DisplayWidth(d, screen) - box.width) / 2,
                             (DisplayHeight(d, screen) - box.height) / 2, unsigned(box.width),
                             unsigned(box.height), 1, CopyFromParent, InputOutput, CopyFromParent,
                             CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
  set_title(box, title);
  set_window_manager_hints(box, system_modal);
  box.gc = XCreateGC(d, box.window, 0, nullptr);
  XSetFont(d, box.gc, box.font->fid);
  XMapRaised(d, box.window);
  XFlush(d);

  int answer = run_box(box, system_modal);

  XFreeGC(d, box.gc);
  XDestroyWindow(d, box.window);
  if (box.own_font) XFreeFont(d, box.font);
  else XFreeFontInfo(nullptr, box.font, 1);
  XCloseDisplay(d);
  return answer;
}
