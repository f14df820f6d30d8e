// Key events: the window layer's keyboard callbacks, the press and release of one key
// code fed to its five consumers (key-down list, key-hit queue, BIOS keyboard buffer, port
// 60h, ON KEY table), the process keys (Pause, Break, Alt+Enter), the BIOS shift flags and
// the host's lock keys.
#include <GL/freeglut.h>

#include "runtime/frame/keyboard_internal.h"
#include "runtime/platform/platform.h"

namespace {

// The producers take turns per event; a soft key's text is typed by nested events on the
// same thread, which must not wait for themselves.
thread_local int producer_depth = 0;
struct ProducerTurn {
  ProducerTurn() {
    if (producer_depth++ == 0) key_producer_enter();
  }
  ~ProducerTurn() {
    if (--producer_depth == 0) key_producer_leave();
  }
  ProducerTurn(const ProducerTurn &) = delete;
  ProducerTurn &operator=(const ProducerTurn &) = delete;
};

void state_toggle(KeyCode state) {
  if (key_is_down(state))
    key_down_remove(state);
  else
    key_down_add(state);
}

// Which BIOS column a keystroke takes: Alt before Ctrl before Shift.
int modifier_column() {
  if (alt_is_down()) return KF_ALT;
  if (ctrl_is_down()) return KF_CTRL;
  if (shift_is_down()) return KF_SHIFT;
  return KF_PLAIN;
}

void keystroke_from_code(int32_t code, int32_t scan) {
  if (code >= 256)
    bios_buffer_store(0, uint8_t(code >> 8));
  else
    bios_buffer_store(uint8_t(code), uint8_t(scan));
}

// The BIOS buffer and port 60h part of a press.
void press_to_bios(KeyCode k, bool insert_was_down, bool scroll_was_down) {
  if (k == KEY_ZERO || (k >= 1 && k < 256)) {
    const int32_t c = k == KEY_ZERO ? 0 : k;
    const int32_t *r = key_table.record[c];
    if (r[KF_SCAN] == 0) {
      bios_buffer_store(uint8_t(c), 0);
      return;
    }
    port60_queue(uint8_t(r[KF_SCAN]));
    const int32_t code = r[modifier_column()];
    if (code != 0) keystroke_from_code(code, r[KF_SCAN]);
    return;
  }
  if (k > 0 && k < 65536) {
    if (k == KEY_INSERT && !insert_was_down && !shift_is_down() && !ctrl_is_down() &&
        !alt_is_down())
      state_toggle(KEY_STATE_INSERT);
    const int32_t *r = key_table.record[256 + ((k >> 8) & 0xFF)];
    if (r[KF_PLAIN] == 0) {
      bios_buffer_store(0, uint8_t(k >> 8));
      return;
    }
    port60_queue(uint8_t(r[KF_SCAN]));
    const int32_t code = r[modifier_column()];
    if (code != 0) keystroke_from_code(code, r[KF_SCAN]);
    return;
  }
  if (const int32_t scan = modifier_scan(k)) {
    if (k == KEY_SCROLL_LOCK && !scroll_was_down && !ctrl_is_down())
      state_toggle(KEY_STATE_SCROLL);
    port60_queue(uint8_t(scan));
  }
}

// A press that controls the process goes nowhere else, and neither does its release.
void consume(KeyCode k) {
  swallow_key(k);
  bios_shift_flags_update();
  rt_control.key_wake.store(1);
}

}  // namespace

int32_t modifier_scan(KeyCode k) {
  switch (k) {
    case KEY_LEFT_SHIFT: return 0x2A;
    case KEY_RIGHT_SHIFT: return 0x36;
    case KEY_LEFT_CTRL:
    case KEY_RIGHT_CTRL: return 0x1D;
    case KEY_LEFT_ALT:
    case KEY_RIGHT_ALT: return 0x38;
    case KEY_NUM_LOCK: return 0x45;
    case KEY_CAPS_LOCK: return 0x3A;
    case KEY_SCROLL_LOCK: return 0x46;
    default: return 0;
  }
}

void bios_shift_flags_update() {
  uint8_t f1 = 0, f2 = 0, f3 = 0x10;
  if (key_is_down(KEY_RIGHT_SHIFT)) f1 |= 0x01;
  if (key_is_down(KEY_LEFT_SHIFT)) f1 |= 0x02;
  if (ctrl_is_down()) f1 |= 0x04;
  if (alt_is_down()) f1 |= 0x08;
  if (key_is_down(KEY_STATE_SCROLL)) f1 |= 0x10;
  if (key_is_down(KEY_NUM_LOCK)) f1 |= 0x20;
  if (key_is_down(KEY_CAPS_LOCK)) f1 |= 0x40;
  if (key_is_down(KEY_STATE_INSERT)) f1 |= 0x80;
  if (key_is_down(KEY_LEFT_CTRL)) f2 |= 0x01;
  if (key_is_down(KEY_LEFT_ALT)) f2 |= 0x02;
  if (key_is_down(KEY_SYSREQ_MARK)) f2 |= 0x04;
  if (key_is_down(KEY_PAUSE)) f2 |= 0x08;
  if (key_is_down(KEY_SCROLL_LOCK)) f2 |= 0x10;
  if (key_is_down(KEY_INSERT)) f2 |= 0x80;
  if (key_is_down(KEY_RIGHT_CTRL)) f3 |= 0x01;
  if (key_is_down(KEY_RIGHT_ALT)) f3 |= 0x02;
  real_byte_store(BIOS_SHIFT_FLAGS, f1);
  real_byte_store(BIOS_SHIFT_FLAGS_2, f2);
  real_byte_store(BIOS_KEYBOARD_FLAGS_3, f3);
}

void key_press_event(KeyCode k) {
  ProducerTurn turn;
  if (k == 0) k = KEY_ZERO;
  const bool insert_was_down = k == KEY_INSERT && key_is_down(KEY_INSERT);
  const bool scroll_was_down = k == KEY_SCROLL_LOCK && key_is_down(KEY_SCROLL_LOCK);
  key_down_add(k);

  // Break: ends the program, or tells a program that polls for it.
  if (k == KEY_BREAK || (k == KEY_SCROLL_LOCK && ctrl_is_down())) {
    if (rt_control.exit_polled.load())
      rt_control.exit_request.fetch_or(2);
    else
      rt_control.exit_now.store(1);
    consume(k);
    return;
  }
  // Pause: the event check holds the program until the next key.
  if (k == KEY_PAUSE || (k == KEY_NUM_LOCK && ctrl_is_down())) {
    rt_control.paused.fetch_or(1);
    rt_control.event_pending.store(1);
    consume(k);
    return;
  }
  if (rt_control.paused.load() & 1) {
    rt_control.paused.fetch_and(uint8_t(~1u));
    consume(k);
    return;
  }
  if (k == 13 && alt_is_down()) {
    display_fullscreen_toggle();
    consume(k);
    return;
  }
  if (!soft_key_typing && on_key_match(k)) {
    bios_shift_flags_update();
    rt_control.key_wake.store(1);
    return;
  }
  if (soft_key_type(k)) {
    rt_control.key_wake.store(1);
    return;
  }
  key_hit_push(k, 0);
  press_to_bios(k, insert_was_down, scroll_was_down);
  bios_shift_flags_update();
  rt_control.key_wake.store(1);
}

void key_release_event(KeyCode k) {
  ProducerTurn turn;
  if (k == 0) k = KEY_ZERO;
  key_down_remove(k);
  if (!swallow_take(k)) {
    key_hit_push(-k, 0);
    if (k >= 1 && k < 256) {
      const int32_t *r = key_table.record[k];
      if (r[KF_PLAIN] != 0) port60_queue(uint8_t(r[KF_SCAN] + 128));
    } else if (k > 0 && k < 65536) {
      const int32_t *r = key_table.record[256 + ((k >> 8) & 0xFF)];
      if (r[KF_PLAIN] != 0) port60_queue(uint8_t(r[KF_SCAN] + 128));
    } else if (const int32_t scan = modifier_scan(k)) {
      port60_queue(uint8_t(scan + 128));
    }
  }
  // The flags follow the key-down list even when the release itself is swallowed.
  bios_shift_flags_update();
}

void key_press(int32_t code) { key_press_event(code); }
void key_release(int32_t code) { key_release_event(code); }

// ---- the window layer's callbacks ------------------------------------------------------------

void glut_key_ascii(int c, int press, int modifiers) {
  ProducerTurn turn;
  if (modifiers & GLUT_ACTIVE_CTRL) {
    // Ctrl+letter arrives as its control code; Enter, Backspace and Tab arrive as
    // themselves (10 on hosts that report Ctrl+Enter as a line feed).
    if (c == 10)
      c = 13;
    else if (c >= 1 && c <= 26 && c != 8 && c != 9 && c != 13)
      c += (modifiers & GLUT_ACTIVE_SHIFT) ? 64 : 96;
  }
  if (c == 127) c = KEY_DELETE;
  if (press)
    key_press_event(c);
  else
    // The release belongs to the key, whatever character the modifiers now make of it.
    key_release_event(key_down_same_key(c));
}

void glut_key_special(int key, int press) {
  KeyCode k;
  if (key >= GLUT_KEY_F1 && key <= GLUT_KEY_F10) {
    k = 0x3B00 + (key - GLUT_KEY_F1) * 0x100;
  } else {
    switch (key) {
      case GLUT_KEY_F11: k = 0x8500; break;
      case GLUT_KEY_F12: k = 0x8600; break;
      case GLUT_KEY_LEFT: k = 0x4B00; break;
      case GLUT_KEY_UP: k = 0x4800; break;
      case GLUT_KEY_RIGHT: k = 0x4D00; break;
      case GLUT_KEY_DOWN: k = 0x5000; break;
      case GLUT_KEY_PAGE_UP: k = 0x4900; break;
      case GLUT_KEY_PAGE_DOWN: k = 0x5100; break;
      case GLUT_KEY_HOME: k = 0x4700; break;
      case GLUT_KEY_END: k = 0x4F00; break;
      case GLUT_KEY_INSERT: k = KEY_INSERT; break;
      case GLUT_KEY_DELETE: k = KEY_DELETE; break;
      case GLUT_KEY_SHIFT_L: k = KEY_LEFT_SHIFT; break;
      case GLUT_KEY_SHIFT_R: k = KEY_RIGHT_SHIFT; break;
      case GLUT_KEY_CTRL_L: k = KEY_LEFT_CTRL; break;
      case GLUT_KEY_CTRL_R: k = KEY_RIGHT_CTRL; break;
      case GLUT_KEY_ALT_L: k = KEY_LEFT_ALT; break;
      case GLUT_KEY_ALT_R: k = KEY_RIGHT_ALT; break;
      default: return;
    }
  }
  if (press)
    key_press_event(k);
  else
    key_release_event(k);
}

// Held keys repeat as presses alone (the window system would otherwise put a release before
// every repeat). Switched on with the first key, on the window thread, before any repeat.
namespace {
void key_repeat_setup() {
  static bool done = false;
  if (done) return;
  done = true;
  platform_key_repeat_presses_only();
}
}  // namespace

void on_glut_keyboard(unsigned char key, int, int) {
  key_repeat_setup();
  glut_key_ascii(key & 0xFF, 1, glutGetModifiers());
}
void on_glut_keyboard_up(unsigned char key, int, int) {
  glut_key_ascii(key & 0xFF, 0, glutGetModifiers());
}
void on_glut_special(int key, int, int) {
  key_repeat_setup();
  glut_key_special(key, 1);
}
void on_glut_special_up(int key, int, int) { glut_key_special(key, 0); }

// ---- start-up and the host's lock keys -------------------------------------------------------

void keyboard_startup() {
  on_key_startup();
  port60_reset();
}

void keyboard_reset() {
  ProducerTurn turn;
  on_key_reset();
  key_down_clear();
  key_hit_clear();
  bios_buffer_clear();
  port60_reset();
  bios_shift_flags_update();
}

void keyboard_seed_from_host() {
  ProducerTurn turn;
  struct Seed {
    HostKey host;
    int bit;
    KeyCode code;
  };
  static const Seed seeds[] = {
      {HOST_KEY_SCROLL_LOCK, HOST_KEY_TOGGLED, KEY_STATE_SCROLL},
      {HOST_KEY_SCROLL_LOCK, HOST_KEY_HELD, KEY_SCROLL_LOCK},
      {HOST_KEY_LEFT_SHIFT, HOST_KEY_HELD, KEY_LEFT_SHIFT},
      {HOST_KEY_RIGHT_SHIFT, HOST_KEY_HELD, KEY_RIGHT_SHIFT},
      {HOST_KEY_LEFT_CTRL, HOST_KEY_HELD, KEY_LEFT_CTRL},
      {HOST_KEY_RIGHT_CTRL, HOST_KEY_HELD, KEY_RIGHT_CTRL},
      {HOST_KEY_LEFT_ALT, HOST_KEY_HELD, KEY_LEFT_ALT},
      {HOST_KEY_RIGHT_ALT, HOST_KEY_HELD, KEY_RIGHT_ALT},
      {HOST_KEY_CAPS_LOCK, HOST_KEY_TOGGLED, KEY_CAPS_LOCK},
      {HOST_KEY_NUM_LOCK, HOST_KEY_TOGGLED, KEY_NUM_LOCK},
  };
  for (const Seed &s : seeds)
    if (platform_host_key_state(s.host) & s.bit) key_down_add(s.code);
  bios_shift_flags_update();
  key_hit_clear();
  bios_buffer_clear();
}

void lock_key_sync() {
  // Ask the host first: the producers' turn is held only while events are fed.
  auto toggled = [](HostKey key) {
    return (platform_host_key_state(key) & HOST_KEY_TOGGLED) != 0;
  };
  const bool scroll_on = toggled(HOST_KEY_SCROLL_LOCK);
  const struct {
    KeyCode code;
    bool on;
  } locks[] = {{KEY_CAPS_LOCK, toggled(HOST_KEY_CAPS_LOCK)},
               {KEY_NUM_LOCK, toggled(HOST_KEY_NUM_LOCK)}};
  ProducerTurn turn;
  if (scroll_on != bool(key_is_down(KEY_STATE_SCROLL))) {
    state_toggle(KEY_STATE_SCROLL);
    bios_shift_flags_update();
  }
  for (const auto &lock : locks) {
    if (lock.on == bool(key_is_down(lock.code))) continue;
    if (lock.on)
      key_press_event(lock.code);
    else
      key_release_event(lock.code);
  }
}
