// The composer: turns the display image into a new frame of the ring when something
// visible changed, and the statements that choose automatic or manual presentation.
// frame_compose runs on one thread at a time: the main-loop thread while autodisplay is on,
// the program thread in manual mode; the autodisplay -1 hand-over switches between them.
#include "runtime/frame/display_internal.h"
#include "runtime/platform/platform.h"

std::atomic<int32_t> prev_frame_valid{0};
std::atomic<int32_t> frame_done{0};

// Grants a pending display pause (1 -> 2); the requester then owns the pages until it
// writes 0, and the composer stays out meanwhile.
static void grant_pause() {
  int32_t expected = 1;
  if (rt_control.display_pause.compare_exchange_strong(expected, 2)) platform_sleep_ms(0);
}

static void acknowledge_manual_switch() {
  int32_t expected = -1;
  rt_control.autodisplay.compare_exchange_strong(expected, 0);
}

void frame_compose() {
  grant_pause();
  if (rt_control.screen_hidden.load() != 0) {
    // A hidden window shows nothing; still acknowledge a switch to manual frames so that
    // the program's rt_display_now does not wait for a composition that never comes.
    acknowledge_manual_switch();
    frame_done = 1;
    return;
  }
  PageView page;
  if (rt_control.display_pause.load() == 0 && page_view_read(&page)) {
    ring_maintain();
    // A full ring means the presenter has fallen behind (a minimised window is not
    // presented at all): drop this frame. The hand-overs below still run, so a program
    // switching to manual frames is not held until the window is shown again.
    if (!ring_full()) {
      int s;
      if (page.is_text)
        s = compose_text(page);
      else if (page.pixel_bytes == 4)
        s = compose_32(page);
      else
        s = compose_palette(page);
      if (s != 0) {
        ring_publish(s);
        platform_window_wake();  // the presenter draws it now rather than at its next tick
      }
    }
  }
  grant_pause();
  acknowledge_manual_switch();
  frame_done = 1;
}

void rt_autodisplay() { rt_control.autodisplay = 1; }

void rt_display_now() {
  if (rt_control.autodisplay.load() != 0) {
    // The next automatic composition shows the current state and hands over to us.
    rt_control.autodisplay = -1;
    while (rt_control.autodisplay.load() != 0 && rt_control.stop_all.load() == 0)
      platform_sleep_ms(1);
    return;
  }
  frame_compose();
}

void display_wait_frame() {
  if (rt_control.autodisplay.load() != 0) {
    frame_done = 0;
    while (frame_done.load() == 0 && rt_control.stop_all.load() == 0) platform_sleep_ms(1);
    return;
  }
  frame_compose();
}

int32_t retrace_status() {
  if (rt_control.retrace_latch.load() != 0 || rt_control.in_retrace.load() != 0) {
    rt_control.retrace_latch = 0;
    return 8;
  }
  return 0;
}
