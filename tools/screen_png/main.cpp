// screen_png: runs screen statements given on the command line, in order, on the runtime's
// own screen engine (no window), then writes a page as a PNG file the way the display
// shows it. For looking at fonts, palettes and PRINT layouts by eye.
//
//   screen_png [statements...] OUTPUT.png
//
//   --screen N          SCREEN N (0, 1, 2, 7-13)
//   --width C,R         WIDTH C, R on the text screen
//   --color F[,B]       COLOR F, B
//   --locate R[,C]      LOCATE R, C
//   --view-print T,B    VIEW PRINT T TO B
//   --cls               CLS
//   --print TEXT        PRINT TEXT          (--print-held TEXT: PRINT TEXT;)
//   --glyphs            PRINT all 256 characters, 32 to a row (control codes as glyphs)
//   --key-on            KEY ON
//   --page N            write page N instead of the visible page
//
// Example: screen_png --screen 12 --color 14,1 --print "Hello" --glyphs hello.png
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/errors/errors.h"
#include "runtime/screen/screen.h"
#include "runtime/values/values.h"

static void usage() {
  std::fprintf(stderr,
               "usage: screen_png [--screen N] [--width C,R] [--color F[,B]] [--locate R[,C]]\n"
               "                  [--view-print T,B] [--cls] [--print TEXT] [--print-held TEXT]\n"
               "                  [--glyphs] [--key-on] [--page N] OUTPUT.png\n");
}

// Parses "a" or "a,b"; returns how many numbers were found.
static int numbers(const char *text, long *a, long *b) {
  char *end = nullptr;
  *a = std::strtol(text, &end, 0);
  if (end == text) return 0;
  if (*end != ',') return *end ? 0 : 1;
  const char *second = end + 1;
  *b = std::strtol(second, &end, 0);
  return (end == second || *end) ? 0 : 2;
}

static void print_text(const std::string &text, bool newline) {
  BasicString *s = bstr_from_text(text.data(), static_cast<int32_t>(text.size()));
  rt_print_fit(s);
  rt_print(s, 0);
  if (newline) rt_print(blank_string, 1);
  bstr_free_temporaries(0, 0);
}

int main(int argc, char **argv) {
  if (argc < 2) {
    usage();
    return 2;
  }
  screen_startup();
  strings_startup();
  screen_load_builtin_data();
  screen_enter_start_mode();
  int page = -1;
  for (int i = 1; i < argc - 1; i++) {
    std::string arg = argv[i];
    bool has_value = i + 1 < argc - 1;
    const char *value = has_value ? argv[i + 1] : "";
    long a = 0, b = 0;
    int n = 0;
    if (arg == "--cls") {
      rt_cls(0, 0, 0);
    } else if (arg == "--glyphs") {
      rt_control_chars(2);
      for (int c = 0; c < 256; c++) {
        char ch = static_cast<char>(c);
        print_text(std::string(1, ch), c % 32 == 31);
      }
      rt_control_chars(0);
    } else if (arg == "--key-on") {
      rt_key_on();
    } else if (!has_value) {
      usage();
      return 2;
    } else {
      i++;
      if (arg == "--print" || arg == "--print-held") {
        print_text(value, arg == "--print");
        continue;
      }
      n = numbers(value, &a, &b);
      if (n == 0) {
        std::fprintf(stderr, "screen_png: %s needs numbers, got \"%s\"\n", arg.c_str(), value);
        return 2;
      }
      if (arg == "--screen") rt_screen(static_cast<int32_t>(a), 0, 0, 0, 0, 1);
      else if (arg == "--width") screen_text_resize(static_cast<int32_t>(a), n == 2 ? b : 25);
      else if (arg == "--color") rt_color(a, b, 0, n == 2 ? 3 : 1);
      else if (arg == "--locate") rt_locate(a, b, 0, 0, 0, n == 2 ? 3 : 1);
      else if (arg == "--view-print" && n == 2) rt_view_print(a, b, 1);
      else if (arg == "--page") page = static_cast<int>(a);
      else {
        usage();
        return 2;
      }
    }
    if (pending_error) {
      std::fprintf(stderr, "screen_png: %s: %s (error %u)\n", arg.c_str(),
                   error_message(static_cast<int32_t>(pending_error.load())),
                   pending_error.load());
      return 1;
    }
  }
  int32_t index = page >= 0 ? resolve_image(page) : display_index;
  if (index <= 0 || !image_write_png(index, argv[argc - 1])) {
    std::fprintf(stderr, "screen_png: cannot write %s\n", argv[argc - 1]);
    return 1;
  }
  return 0;
}
