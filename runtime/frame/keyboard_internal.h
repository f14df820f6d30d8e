// Internals shared by the keyboard's files (events, buffers, ON KEY). Other folders use
// frame.h only.
//
// Threads: key events are produced on the window thread and, for the lock keys, on the
// main-loop thread; the program thread consumes them. The two producers take turns through
// key_producer_enter / key_producer_leave (a short spin on one flag, held only while one
// event is fed to the consumers), so every queue below has exactly one writer at a time
// and the program thread never waits for anybody.
#pragma once
#include <atomic>
#include <cstdint>

#include "runtime/frame/frame.h"

// ---- BIOS data area in the emulated memory --------------------------------------------
constexpr uint32_t BIOS_SHIFT_FLAGS = 0x417;    // right/left Shift, Ctrl, Alt, locks, Insert
constexpr uint32_t BIOS_SHIFT_FLAGS_2 = 0x418;  // left Ctrl/Alt, SysRq, Pause, Scroll, Insert
constexpr uint32_t BIOS_KEY_HEAD = 0x41A;       // offsets relative to 400h
constexpr uint32_t BIOS_KEY_TAIL = 0x41C;
constexpr uint32_t BIOS_KEY_BUFFER_START = 0x1E;  // 16 two-byte slots at 41Eh-43Dh
constexpr uint32_t BIOS_KEY_BUFFER_END = 0x3E;
constexpr uint32_t BIOS_KEYBOARD_FLAGS_3 = 0x496;  // right Ctrl/Alt
constexpr uint32_t BIOS_TICK_COUNT = 0x46C;

// Byte access to the emulated memory for fields that other threads read or write.
inline uint8_t real_byte_load(uint32_t address) {
  return std::atomic_ref<uint8_t>(real_memory[address]).load(std::memory_order_acquire);
}
inline void real_byte_store(uint32_t address, uint8_t value) {
  std::atomic_ref<uint8_t>(real_memory[address]).store(value, std::memory_order_release);
}

// ---- producers --------------------------------------------------------------------------
void key_producer_enter();
void key_producer_leave();

// ---- key-down list (key_buffer.cpp) ------------------------------------------------------
void key_down_add(KeyCode k);
void key_down_remove(KeyCode k);
void key_down_clear();
bool shift_is_down();
bool ctrl_is_down();
bool alt_is_down();
// A character code (1-255) now down that was typed on the same physical key as c (same
// scan code), or c itself when none is.
KeyCode key_down_same_key(KeyCode c);

// ---- key-hit ring, BIOS buffer, port 60h (key_buffer.cpp) --------------------------------
constexpr int KEY_HIT_RING_SIZE = 8192;
void key_hit_push(KeyCode k, int keypad);
void key_hit_clear();
// Stores the keystroke unless the buffer is full (then it is dropped).
void bios_buffer_store(uint8_t character, uint8_t scan);
void bios_buffer_clear();
constexpr int PORT60_QUEUE_SIZE = 256;
void port60_queue(uint8_t byte);
void port60_reset();

// ---- ON KEY table, swallowed keys, soft keys (on_key.cpp) --------------------------------
// True when the press fired an ON KEY slot (the key then goes nowhere else).
bool on_key_match(KeyCode k);
// True when k is a soft key with text; the text has been typed.
bool soft_key_type(KeyCode k);
// Enters k so that its release is swallowed as well.
void swallow_key(KeyCode k);
// True (and the entry is cleared) when the release of k is to be swallowed.
bool swallow_take(KeyCode k);
void on_key_startup();
void on_key_reset();  // every slot's handler, state, user key and soft key; swallowed keys
// Set while a soft key's text is being typed (ON KEY matching is skipped meanwhile).
extern int soft_key_typing;

// Calls the program's event routine (set by rt_set_event_routine) with a handler number
// and its argument; nothing when the program has none.
void program_event_call(int32_t handler, int64_t argument);

// Scan code and modifier kind of a modifier or lock key; 0 when k is none.
int32_t modifier_scan(KeyCode k);
