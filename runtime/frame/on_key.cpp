// ON KEY: the 32 key slots, matching a pressed key against them, the swallowed-key list,
// soft keys (KEY n, text), KEY(n) ON/OFF/STOP, KEY LIST and the key part of the event
// dispatch. Slots are changed on the program thread and matched on the window thread, so
// every field the matcher reads is atomic; soft-key text is kept as plain bytes in the slot
// (not as a runtime string, which belongs to the program thread alone).
#include <cstring>

#include "runtime/errors/errors.h"
#include "runtime/frame/keyboard_internal.h"
#include "runtime/screen/screen.h"

namespace {

constexpr int KEY_SLOTS = 32;
constexpr int SOFT_KEY_MAX = 15;  // characters of soft-key text

struct KeySlot {
  std::atomic<int32_t> handler{0};  // 0 = no ON KEY for this slot
  std::atomic<int64_t> handler_arg{0};
  std::atomic<uint8_t> state{0};    // 0 off, 1 on, 2 stopped
  std::atomic<uint8_t> pending{0};  // events waiting (a stopped slot holds at most 1)
  int32_t key_code = 0;             // predefined key (slots 1-14, 30, 31), set at start-up
  int32_t alternate_code = 0;       // a second raw code (slots 11-14)
  std::atomic<uint8_t> user_scan{0};   // slots 15-29: scan code defined by KEY n
  std::atomic<uint8_t> user_flags{0};  // required modifiers, bit 7 = extended key
  std::atomic<uint8_t> soft_length{0};
  std::atomic<uint8_t> soft_text[SOFT_KEY_MAX];
};

KeySlot key_slots[KEY_SLOTS];

// Keys whose release is to be swallowed (0 = free entry); producers only.
constexpr int SWALLOW_CAPACITY = 256;
KeyCode swallowed[SWALLOW_CAPACITY];
int swallowed_top = -1;

void (*event_routine)(int32_t handler, int32_t argument) = nullptr;
int key_handler_running = 0;

constexpr uint8_t FLAG_SHIFT = 0x03, FLAG_CTRL = 0x04, FLAG_ALT = 0x08, FLAG_NUM = 0x20,
                  FLAG_CAPS = 0x40, FLAG_EXTENDED = 0x80;

// The modifier kind a key is itself (its user-flag bits), 0 for other keys.
uint8_t own_modifier(KeyCode k) {
  switch (k) {
    case KEY_LEFT_SHIFT:
    case KEY_RIGHT_SHIFT: return FLAG_SHIFT;
    case KEY_LEFT_CTRL:
    case KEY_RIGHT_CTRL: return FLAG_CTRL;
    case KEY_LEFT_ALT:
    case KEY_RIGHT_ALT: return FLAG_ALT;
    case KEY_NUM_LOCK: return FLAG_NUM;
    case KEY_CAPS_LOCK: return FLAG_CAPS;
    default: return 0;
  }
}

bool is_extended_key(KeyCode k) {
  switch (k) {
    case 0x4800: case 0x4B00: case 0x4D00: case 0x5000: case KEY_INSERT: case 0x4700:
    case 0x4900: case KEY_DELETE: case 0x4F00: case 0x5100: case KEY_RIGHT_CTRL:
    case KEY_RIGHT_ALT:
      return true;
    default:
      return false;
  }
}

int32_t key_scan(KeyCode k) {
  if (k >= 1 && k < 256) return key_table.record[k][KF_SCAN];
  if (k >= 256 && k < 65536) {
    const int32_t *r = key_table.record[256 + ((k >> 8) & 0xFF)];
    return r[KF_PLAIN] != 0 ? r[KF_SCAN] : 0;
  }
  return modifier_scan(k);
}

// Does the modifier state satisfy the slot's user flags?
bool user_flags_match(uint8_t flags, uint8_t own, bool extended) {
  const struct {
    uint8_t bits;
    bool down;
  } modifiers[] = {{FLAG_SHIFT, shift_is_down()}, {FLAG_CTRL, ctrl_is_down()},
                   {FLAG_ALT, alt_is_down()}};
  for (const auto &m : modifiers) {
    if (own == m.bits) continue;
    if (((flags & m.bits) != 0) != m.down) return false;
  }
  if ((flags & FLAG_NUM) && own != FLAG_NUM && !key_is_down(KEY_NUM_LOCK)) return false;
  if ((flags & FLAG_CAPS) && own != FLAG_CAPS && !key_is_down(KEY_CAPS_LOCK)) return false;
  return ((flags & FLAG_EXTENDED) != 0) == extended;
}

bool slot_armed(const KeySlot &s) {
  return s.state.load() != 0 && s.handler.load() != 0;
}

void slot_fire(KeySlot &s, KeyCode k) {
  if (s.state.load() == 2) {
    s.pending.store(1);
  } else {
    uint8_t p = s.pending.load();
    while (p < 255 && !s.pending.compare_exchange_weak(p, uint8_t(p + 1))) {
    }
  }
  rt_control.event_pending.store(1);
  swallow_key(k);
}

int32_t soft_slot_of_key(int32_t key) {  // KEY n numbering: 1-10, 30, 31
  if ((key >= 1 && key <= 10) || key == 30 || key == 31) return key;
  return -1;
}

// The function-key line's label of slot n: a temporary string, or null without text.
BasicString *soft_key_label(int32_t slot) {
  if (slot < 0 || slot >= KEY_SLOTS) return nullptr;
  const KeySlot &s = key_slots[slot];
  const int n = s.soft_length.load(std::memory_order_acquire);
  if (n == 0) return nullptr;
  BasicString *text = bstr_new(uint32_t(n), 1);
  for (int i = 0; i < n; ++i) text->data[i] = s.soft_text[i].load(std::memory_order_relaxed);
  return text;
}

// A temporary copy of the bytes (the label is built on the stack).
BasicString *text_of(const char *bytes, int32_t length) {
  BasicString *s = bstr_new(uint32_t(length), 1);
  std::memcpy(s->data, bytes, size_t(length));
  return s;
}

}  // namespace

int soft_key_typing = 0;

void rt_set_event_routine(void (*routine)(int32_t handler, int32_t argument)) {
  event_routine = routine;
}

void program_event_call(int32_t handler, int64_t argument) {
  if (event_routine) event_routine(handler, int32_t(argument));
}

void on_key_startup() {
  for (int i = 1; i <= 10; ++i) key_slots[i].key_code = 0x3B00 + (i - 1) * 0x100;  // F1-F10
  const struct {
    int slot;
    int32_t code, alternate;
  } arrows[] = {{11, 0x4800, 100264}, {12, 0x4B00, 100260}, {13, 0x4D00, 100262},
                {14, 0x5000, 100258}};
  for (const auto &a : arrows) {
    key_slots[a.slot].key_code = a.code;
    key_slots[a.slot].alternate_code = a.alternate;
  }
  key_slots[30].key_code = 0x8500;  // F11
  key_slots[31].key_code = 0x8600;  // F12
  soft_key_text = soft_key_label;
}

void on_key_reset() {
  for (KeySlot &s : key_slots) {
    s.handler.store(0);
    s.handler_arg.store(0);
    s.state.store(0);
    s.pending.store(0);
    s.user_scan.store(0);
    s.user_flags.store(0);
    s.soft_length.store(0);
  }
  for (KeyCode &k : swallowed) k = 0;
  swallowed_top = -1;
  soft_key_typing = 0;
  key_handler_running = 0;
}

// ---- producers' side -----------------------------------------------------------------------

void swallow_key(KeyCode k) {
  // A held key repeats its press but is released once: one entry per key.
  for (int i = 0; i <= swallowed_top; ++i)
    if (swallowed[i] == k) return;
  for (int i = 0; i <= swallowed_top; ++i) {
    if (swallowed[i] == 0) {
      swallowed[i] = k;
      return;
    }
  }
  if (swallowed_top + 1 < SWALLOW_CAPACITY) swallowed[++swallowed_top] = k;
}

bool swallow_take(KeyCode k) {
  for (int i = 0; i <= swallowed_top; ++i) {
    if (swallowed[i] == k) {
      swallowed[i] = 0;
      while (swallowed_top >= 0 && swallowed[swallowed_top] == 0) --swallowed_top;
      return true;
    }
  }
  return false;
}

bool on_key_match(KeyCode k) {
  if (const int32_t scan = key_scan(k)) {
    const uint8_t own = own_modifier(k);
    const bool extended = is_extended_key(k);
    for (KeySlot &s : key_slots) {
      if (s.user_scan.load() != scan || !slot_armed(s)) continue;
      if (!user_flags_match(s.user_flags.load(), own, extended)) continue;
      slot_fire(s, k);
      return true;
    }
  }
  for (KeySlot &s : key_slots) {
    if (!slot_armed(s)) continue;
    if (s.key_code == k || s.alternate_code == k) {
      slot_fire(s, k);
      return true;
    }
  }
  return false;
}

bool soft_key_type(KeyCode k) {
  for (KeySlot &s : key_slots) {
    const int n = s.soft_length.load(std::memory_order_acquire);
    if (n == 0 || (s.key_code != k && s.alternate_code != k)) continue;
    swallow_key(k);
    uint8_t text[SOFT_KEY_MAX];
    for (int i = 0; i < n; ++i) text[i] = s.soft_text[i].load(std::memory_order_relaxed);
    ++soft_key_typing;
    for (int i = 0; i < n; ++i) {
      key_press_event(text[i]);
      key_release_event(text[i]);
    }
    --soft_key_typing;
    return true;
  }
  return false;
}

// ---- program thread ------------------------------------------------------------------------

void rt_on_key(int32_t slot, int32_t handler, int64_t argument) {
  if (pending_error.load(std::memory_order_relaxed)) return;
  if (slot < 1 || slot >= KEY_SLOTS) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  KeySlot &s = key_slots[slot];
  s.pending.store(0);
  s.handler_arg.store(argument);
  s.handler.store(handler);
}

void rt_key_switch(int32_t slot, int32_t action) {
  if (pending_error.load(std::memory_order_relaxed)) return;
  if (slot < 0 || slot >= KEY_SLOTS || action < 1 || action > 3) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  const int first = slot == 0 ? 0 : slot, last = slot == 0 ? KEY_SLOTS - 1 : slot;
  for (int i = first; i <= last; ++i) {
    KeySlot &s = key_slots[i];
    switch (action) {
      case 1:
        s.state.store(1);
        if (s.pending.load() != 0) rt_control.event_pending.store(1);
        break;
      case 2:
        s.state.store(0);
        s.pending.store(0);
        break;
      case 3:
        s.state.store(2);
        if (s.pending.load() != 0) s.pending.store(1);
        break;
    }
  }
}

void rt_key_define(int32_t key, BasicString *text) {
  if (pending_error.load(std::memory_order_relaxed)) return;
  const int32_t length = text ? text->length : 0;
  if (const int32_t slot = soft_slot_of_key(key); slot > 0) {
    if (length > SOFT_KEY_MAX) {
      rt_error(ERR_ILLEGAL_FUNCTION_CALL);
      return;
    }
    KeySlot &s = key_slots[slot];
    s.soft_length.store(0, std::memory_order_release);
    for (int i = 0; i < length; ++i)
      s.soft_text[i].store(text->data[i], std::memory_order_relaxed);
    s.soft_length.store(uint8_t(length), std::memory_order_release);
    key_line_force = 1;
    key_line_draw();
    return;
  }
  if (key < 15 || key > 29) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return;
  }
  KeySlot &s = key_slots[key];
  if (length == 0) {
    s.user_scan.store(0);
    s.user_flags.store(0);
    return;
  }
  uint8_t flags = 0;
  for (int32_t i = 0; i + 1 < length; ++i) flags |= text->data[i];
  s.user_flags.store(flags);
  s.user_scan.store(text->data[length - 1]);
}

void rt_key_list() {
  if (pending_error.load(std::memory_order_relaxed) || !dest_image) return;
  const uint32_t mark = bstr_temp_mark();
  const bool fixed_width = dest_image->is_text || font_width[dest_image->font_id] != 0;
  bool paren_two_spaces = false;
  if (!fixed_width)
    paren_two_spaces = print_width(text_of(" ", 1)) == print_width(text_of(")", 1));
  for (int n = 1; n <= 12; ++n) {
    char label[8];
    int length = 0;
    label[length++] = 'F';
    if (n >= 10) label[length++] = '1';
    label[length++] = char('0' + n % 10);
    if (!fixed_width) label[length++] = ')';
    label[length++] = ' ';
    if (n <= 9 && (fixed_width || paren_two_spaces)) label[length++] = ' ';
    BasicString *text = soft_key_label(n <= 10 ? n : n + 19);
    if (!text) {
      rt_print(text_of(label, length), 1);
      continue;
    }
    rt_print(text_of(label, length), 0);
    for (int32_t i = 0; i < text->length; ++i) {
      char c = char(text->data[i]);
      const uint8_t code = text->data[i];
      if ((code >= 7 && code <= 13) || (code >= 28 && code <= 31)) c = ' ';
      rt_print(text_of(&c, 1), 0);
    }
    rt_print(blank_string, 1);
  }
  bstr_free_temporaries(mark, 0);
}

void key_event_dispatch() {
  while (!pending_error.load(std::memory_order_relaxed) && !key_handler_running) {
    KeySlot *found = nullptr;
    for (int i = 1; i < KEY_SLOTS && !found; ++i) {
      KeySlot &s = key_slots[i];
      if (s.handler.load() != 0 && s.state.load() == 1 && s.pending.load() > 0) found = &s;
    }
    if (!found) return;
    uint8_t p = found->pending.load();
    while (p > 0 && !found->pending.compare_exchange_weak(p, uint8_t(p - 1))) {
    }
    key_handler_running = 1;
    program_event_call(found->handler.load(), found->handler_arg.load());
    key_handler_running = 0;
  }
}
