// A small program on the runtime for the display tests and the CPU measurement. Its first
// argument picks what the main module does, the second names a work folder: the program
// writes the newest composed frame there as "frame.bin" (width, height, then the 32-bit
// pixels) and waits for files named "go1", "go2", ... that the driver creates. Every report
// goes to stdout, one line each.
//   text      draws text cells on the start-up text screen
//   screen12  SCREEN 12 and a picture
//   manual    SCREEN 12, then manual frames: what is shown changes only at rt_display_now
//   held      manual frames from the start: the window keeps its created size until go1
//   title     sets the title, then draws
//   fullscreen  asks for full screen, reports the query, then leaves it again
//   stretch   SCREEN 12 with resizing on and stretched drawing
//   hide      SCREEN 12 and a picture, hides the window, shows it again at go1
//   hidestart hides the window while the window thread is creating it, shows it at go1
//   idle12    SCREEN 12 and a picture, then waits doing nothing (CPU measurement)
//   end12     SCREEN 12 and a picture, then END waits for a key (CPU measurement)
//   anim12    SCREEN 12 and a bar moving 30 times a second (CPU measurement)
//   manual12  as anim12 with manual frames: rt_display_now after every change
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/frame/frame.h"
#include "runtime/platform/platform.h"
#include "runtime/screen/screen.h"

namespace {

std::string mode, folder;

void say(const std::string &line) {
  printf("%s\n", line.c_str());
  fflush(stdout);
}

// What the generated code does after every statement, reduced to shutdown.
void statement_end() {
  if (rt_control.event_pending.load()) {
    rt_control.event_pending = 0;
    if (rt_control.stop_all.load()) program_thread_park();
  }
}

void pause_ms(int ms) {
  for (int waited = 0; waited < ms; waited += 5) {
    platform_sleep_ms(5);
    statement_end();
  }
}

void wait_for_file(const std::string &name) {
  struct stat st;
  while (stat((folder + "/" + name).c_str(), &st) != 0) pause_ms(5);
}

void wait_for_window() {
  while (!rt_control.window_created.load()) pause_ms(5);
}

// Writes the newest composed frame and reports its size. The composer is kept out while
// the frame is read: with automatic frames on, the program switches to manual frames for
// the moment (the switch composes the current state), and back afterwards.
void dump_frame() {
  const bool automatic = rt_control.autodisplay.load() != 0;
  if (automatic) rt_display_now();
  int s = frame_ring.ring_newest.load();
  const FrameSlot &f = frame_ring.slot[s];
  int32_t w = f.width.load(), h = f.height.load();
  std::string path = folder + "/frame.bin";
  FILE *out = fopen((path + ".part").c_str(), "wb");
  if (out == nullptr) {
    if (automatic) rt_autodisplay();
    say("cannot write " + path);
    return;
  }
  fwrite(&w, 4, 1, out);
  fwrite(&h, 4, 1, out);
  fwrite(f.pixels.load(), 4, static_cast<size_t>(w) * h, out);
  fclose(out);
  rename((path + ".part").c_str(), path.c_str());
  if (automatic) rt_autodisplay();
  say("frame " + std::to_string(w) + " " + std::to_string(h));
}

void show_and_dump() {
  display_wait_frame();
  display_wait_frame();
  dump_frame();
}

void put_text(int col, int row, const char *text, uint8_t attribute) {
  Image *page = display_image;
  uint8_t *cells = static_cast<uint8_t *>(page->pixels);
  for (int i = 0; text[i]; i++) {
    size_t at = (static_cast<size_t>(row) * page->size_x + col + i) * 2;
    cells[at] = static_cast<uint8_t>(text[i]);
    cells[at + 1] = attribute;
  }
}

// A picture with every one of the 16 colours and fine detail.
void draw_picture(int variant) {
  Image *page = display_image;
  for (int y = 0; y < page->size_y; y++)
    for (int x = 0; x < page->size_x; x++)
      image_pixel_put(page, x, y, static_cast<uint32_t>((x / 40 + y / 30 + variant) % 16));
  for (int i = 0; i < 200; i++) image_pixel_put(page, 100 + i, 100 + i / 2, 15);
}

void idle_forever() {
  for (;;) pause_ms(9);
}

void main_module() {
  if (mode == "hidestart") {
    // Start-up has allowed the window; the window thread may be creating it right now.
    while (!rt_control.window_allowed.load()) platform_sleep_ms(0);
    rt_screen_hide();
    say(rt_control.window_created.load() ? "hidden after creation" : "hidden during creation");
    wait_for_file("go1");
    rt_screen_show();
    say("shown");
    idle_forever();
  }
  if (mode == "held") {
    rt_control.autodisplay = 0;  // no frame until the program asks for one
    wait_for_window();
    say("ready");
    wait_for_file("go1");
    rt_display_now();
    dump_frame();
    idle_forever();
  }
  wait_for_window();
  if (mode == "text") {
    put_text(0, 0, "Hallway Breakout", 0x0F);
    put_text(10, 5, "light grey on black", 0x07);
    put_text(20, 24, "yellow on blue", 0x1E);
    show_and_dump();
    idle_forever();
  }
  if (mode == "title") {
    static uint8_t text[] = "Hallway Breakout";
    BasicString title{};
    title.data = text;
    title.length = static_cast<int32_t>(sizeof text - 1);
    rt_title(&title);
    say("titled");
    idle_forever();
  }
  rt_screen(12, 0, 0, 0, 0, 1);
  if (mode == "hide") {
    draw_picture(3);
    show_and_dump();
    rt_screen_hide();
    say("hidden");
    wait_for_file("go1");
    rt_screen_show();
    say("shown");
    idle_forever();
  }
  if (mode == "end12") {
    draw_picture(0);
    show_and_dump();
    rt_end();  // "Press any key to continue", then waits for the key
  }
  if (mode == "screen12" || mode == "idle12") {
    draw_picture(0);
    show_and_dump();
    idle_forever();
  }
  if (mode == "manual") {
    draw_picture(0);
    rt_display_now();  // manual frames from here on: picture 0 is shown
    draw_picture(5);   // drawn but not shown
    dump_frame();
    wait_for_file("go1");
    rt_display_now();  // now picture 5 is shown
    dump_frame();
    wait_for_file("go2");
    draw_picture(9);
    rt_autodisplay();  // automatic frames again: picture 9 appears by itself
    show_and_dump();
    idle_forever();
  }
  if (mode == "stretch") {
    draw_picture(0);
    rt_resize_mode(1, 1);
    show_and_dump();
    for (;;) {
      if (rt_resize_query() != 0)
        say("resized " + std::to_string(rt_resize_width()) + " " +
            std::to_string(rt_resize_height()));
      pause_ms(9);
    }
  }
  if (mode == "fullscreen") {
    draw_picture(0);
    show_and_dump();
    rt_fullscreen(3, 0);
    rt_fullscreen(0, 0);  // waits until the first request has been served
    for (int i = 0; i < 20; i++) display_wait_frame();
    say("fullscreen " + std::to_string(rt_fullscreen_query()));
    wait_for_file("go1");
    rt_fullscreen(1, 0);
    rt_fullscreen(0, 0);
    for (int i = 0; i < 20; i++) display_wait_frame();
    say("fullscreen " + std::to_string(rt_fullscreen_query()));
    idle_forever();
  }
  if (mode == "anim12" || mode == "manual12") {
    draw_picture(0);
    show_and_dump();
    Image *page = display_image;
    int64_t next = clock_ms();
    for (int step = 0;; step++) {
      int x0 = (step * 4) % 600;
      image_fill_plain(page, 0, 200, 639, 240, 0);
      image_fill_plain(page, x0, 200, x0 + 39, 240, 14);
      if (mode == "manual12") rt_display_now();  // as the game's command line does
      next += 33;
      while (clock_ms() < next) {
        platform_sleep_ms(1);
        statement_end();
      }
    }
  }
  say("unknown mode " + mode);
  idle_forever();
}

}  // namespace

// Under ThreadSanitizer: the software OpenGL driver synchronises its worker threads in
// ways the sanitizer cannot see, and reports races inside the driver alone. Those are not
// ours; our own code stays fully checked.
extern "C" const char *__tsan_default_suppressions() {
  return "called_from_lib:swrast_dri.so\n";
}

int main(int argc, char **argv) {
  if (argc > 1) mode = argv[1];
  if (argc > 2) folder = argv[2];
  runtime_main(argc, argv, main_module);
}
