// A small program on the runtime for the keyboard window test: once the window exists it
// prints "ready" and "caps on" or "caps off" (Caps Lock as seeded from the host), then reports every key-hit event as "hit N" and every INKEY$ keystroke
// as "inkey B1[,B2]" (decimal bytes), one line each, until the process is ended.
#include <cstdio>
#include <string>

#include "runtime/errors/errors.h"
#include "runtime/frame/frame.h"
#include "runtime/platform/platform.h"

namespace {

void say(const std::string &line) {
  printf("%s\n", line.c_str());
  fflush(stdout);
}

void statement_end() {
  if (rt_control.event_pending.load()) rt_event_check(0);
}

void main_module() {
  while (!rt_control.window_created.load()) {
    platform_sleep_ms(5);
    statement_end();
  }
  say("ready");
  say(std::string("caps ") + (key_is_down(KEY_CAPS_LOCK) ? "on" : "off"));
  for (;;) {
    const uint32_t mark = bstr_temp_mark();
    while (int32_t k = rt_keyhit()) say("hit " + std::to_string(k));
    BasicString *s = rt_inkey();
    if (s->length > 0) {
      std::string line = "inkey ";
      for (int32_t i = 0; i < s->length; ++i)
        line += (i ? "," : "") + std::to_string(int(s->data[i]));
      say(line);
    }
    bstr_free_temporaries(mark, 0);
    platform_sleep_ms(2);
    statement_end();
  }
}

}  // namespace

int main(int argc, char **argv) { runtime_main(argc, argv, main_module); }
