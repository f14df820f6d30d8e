// The keyboard's buffers: the list of keys held down, the key-hit queue, the emulated BIOS
// keyboard buffer read by INKEY$ and the emulated keyboard port 60h. Each is written by the
// key producers (one at a time) and read by the program thread without a lock.
#include <cstddef>

#include "runtime/errors/errors.h"
#include "runtime/frame/keyboard_internal.h"
#include "runtime/platform/platform.h"

namespace {

// A single-producer, single-consumer ring that drops its oldest entry when a new one
// arrives while it is full. Dropping moves the consumer's index, so both sides advance the
// tail with compare-and-swap; an entry is read before the tail is claimed, and a claim
// that loses the race is retried on the new tail.
template <typename T, int N>
struct DropOldestRing {
  std::atomic<T> entry[N];
  std::atomic<int32_t> head{0};  // next slot to write (producer)
  std::atomic<int32_t> tail{0};  // next slot to read

  static int32_t next(int32_t i) { return i + 1 == N ? 0 : i + 1; }

  void push(T value) {
    const int32_t h = head.load(std::memory_order_relaxed);
    const int32_t n = next(h);
    int32_t t = tail.load(std::memory_order_acquire);
    if (n == t) tail.compare_exchange_strong(t, next(t), std::memory_order_acq_rel);
    entry[h].store(value, std::memory_order_relaxed);
    head.store(n, std::memory_order_release);
  }

  bool pop(T *value) {
    int32_t t = tail.load(std::memory_order_acquire);
    for (;;) {
      if (t == head.load(std::memory_order_acquire)) return false;
      const T v = entry[t].load(std::memory_order_relaxed);
      if (tail.compare_exchange_weak(t, next(t), std::memory_order_acq_rel)) {
        *value = v;
        return true;
      }
    }
  }

  void clear() { tail.store(head.load(std::memory_order_acquire), std::memory_order_release); }
};

// ---- key-down list -----------------------------------------------------------------------
// An unordered array of the codes held down; a released entry becomes 0 and is reused by
// the next press, so a reader scanning the array never misses a key that stays down. The
// capacity covers every code the window layer can produce.
constexpr int KEY_DOWN_CAPACITY = 1024;
std::atomic<int32_t> key_down[KEY_DOWN_CAPACITY];
std::atomic<int32_t> key_down_used{0};  // entries in use lie below this index

// ---- key-hit queue: (code, keypad flag) packed into one value ----------------------------
DropOldestRing<int64_t, KEY_HIT_RING_SIZE> key_hits;

// ---- port 60h: 256 bytes queued at most --------------------------------------------------
DropOldestRing<uint8_t, PORT60_QUEUE_SIZE + 1> port60;
std::atomic<int32_t> port60_last_read{0x81};  // returned again while the queue is empty
int32_t port60_last_queued = -1;             // producer side: repeats of it are not queued

std::atomic_flag producer_busy = ATOMIC_FLAG_INIT;

}  // namespace

void key_producer_enter() {
  while (producer_busy.test_and_set(std::memory_order_acquire)) platform_sleep_ms(0);
}

void key_producer_leave() { producer_busy.clear(std::memory_order_release); }

// ---- key-down list -----------------------------------------------------------------------

int32_t key_is_down(KeyCode k) {
  if (k == 0) k = KEY_ZERO;
  const int32_t n = key_down_used.load(std::memory_order_acquire);
  for (int32_t i = 0; i < n; ++i)
    if (key_down[i].load(std::memory_order_relaxed) == k) return 1;
  return 0;
}

void key_down_add(KeyCode k) {
  if (key_is_down(k)) return;
  const int32_t n = key_down_used.load(std::memory_order_relaxed);
  for (int32_t i = 0; i < n; ++i) {
    if (key_down[i].load(std::memory_order_relaxed) == 0) {
      key_down[i].store(k, std::memory_order_release);
      return;
    }
  }
  if (n == KEY_DOWN_CAPACITY) return;
  key_down[n].store(k, std::memory_order_relaxed);
  key_down_used.store(n + 1, std::memory_order_release);
}

void key_down_remove(KeyCode k) {
  int32_t n = key_down_used.load(std::memory_order_relaxed);
  for (int32_t i = 0; i < n; ++i)
    if (key_down[i].load(std::memory_order_relaxed) == k)
      key_down[i].store(0, std::memory_order_release);
  while (n > 0 && key_down[n - 1].load(std::memory_order_relaxed) == 0) --n;
  key_down_used.store(n, std::memory_order_release);
}

void key_down_clear() {
  const int32_t n = key_down_used.load(std::memory_order_relaxed);
  for (int32_t i = 0; i < n; ++i) key_down[i].store(0, std::memory_order_relaxed);
  key_down_used.store(0, std::memory_order_release);
}

bool shift_is_down() { return key_is_down(KEY_LEFT_SHIFT) || key_is_down(KEY_RIGHT_SHIFT); }
bool ctrl_is_down() { return key_is_down(KEY_LEFT_CTRL) || key_is_down(KEY_RIGHT_CTRL); }
bool alt_is_down() { return key_is_down(KEY_LEFT_ALT) || key_is_down(KEY_RIGHT_ALT); }

KeyCode key_down_same_key(KeyCode c) {
  if (c < 1 || c > 255 || key_is_down(c)) return c;
  const int32_t scan = key_table.record[c][KF_SCAN];
  if (scan == 0) return c;
  const int32_t n = key_down_used.load(std::memory_order_acquire);
  for (int32_t i = 0; i < n; ++i) {
    const int32_t d = key_down[i].load(std::memory_order_relaxed);
    if (d >= 1 && d <= 255 && key_table.record[d][KF_SCAN] == scan) return d;
  }
  return c;
}

int32_t rt_keydown(int32_t code) {
  if (code <= 0) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return 0;
  }
  return key_is_down(code) ? -1 : 0;
}

// ---- key-hit queue -------------------------------------------------------------------------

void key_hit_push(KeyCode k, int keypad) {
  key_hits.push(int64_t(uint32_t(k)) | (int64_t(keypad & 1) << 32));
}

void key_hit_clear() { key_hits.clear(); }

int32_t rt_keyhit() {
  int64_t v;
  if (!key_hits.pop(&v)) return 0;
  return int32_t(uint32_t(v));
}

// ---- BIOS keyboard buffer ------------------------------------------------------------------

namespace {
uint32_t bios_next(uint32_t offset) {
  offset += 2;
  return offset >= BIOS_KEY_BUFFER_END ? BIOS_KEY_BUFFER_START : offset;
}
}  // namespace

void bios_buffer_store(uint8_t character, uint8_t scan) {
  const uint32_t t = real_byte_load(BIOS_KEY_TAIL);
  const uint32_t n = bios_next(t);
  if (n == real_byte_load(BIOS_KEY_HEAD)) return;  // full: the new keystroke is lost
  real_byte_store(0x400 + t, character);
  real_byte_store(0x400 + t + 1, scan);
  real_byte_store(BIOS_KEY_TAIL, uint8_t(n));
}

void bios_buffer_clear() {
  real_byte_store(BIOS_KEY_HEAD, BIOS_KEY_BUFFER_START);
  real_byte_store(BIOS_KEY_TAIL, BIOS_KEY_BUFFER_START);
}

BasicString *rt_inkey() {
  platform_sleep_ms(0);  // a polling loop must not starve the window thread
  if (pending_error.load(std::memory_order_relaxed)) return bstr_new(0, 1);
  const uint32_t h = real_byte_load(BIOS_KEY_HEAD);
  if (h == real_byte_load(BIOS_KEY_TAIL)) return bstr_new(0, 1);
  const uint8_t character = real_byte_load(0x400 + h);
  const uint8_t scan = real_byte_load(0x400 + h + 1);
  real_byte_store(BIOS_KEY_HEAD, uint8_t(bios_next(h)));
  if (character != 0 || scan == 0) {
    BasicString *s = bstr_new(1, 1);
    s->data[0] = character;
    return s;
  }
  BasicString *s = bstr_new(2, 1);
  s->data[0] = 0;
  s->data[1] = scan;
  return s;
}

// ---- port 60h ------------------------------------------------------------------------------

void port60_queue(uint8_t byte) {
  if (int32_t(byte) == port60_last_queued) return;  // auto-repeat: one make code
  port60_last_queued = byte;
  port60.push(byte);
}

void port60_reset() {
  port60.clear();
  port60_last_queued = -1;
  port60_last_read.store(0x81, std::memory_order_relaxed);
}

int32_t scancode_read() {
  uint8_t byte;
  if (!port60.pop(&byte)) return port60_last_read.load(std::memory_order_relaxed);
  port60_last_read.store(byte, std::memory_order_relaxed);
  return byte;
}
