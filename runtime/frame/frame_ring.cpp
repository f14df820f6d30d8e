// The 64-slot frame ring between the composer and the presenter. The composer owns the
// indices and the buffers; the presenter only sets the displayed and shown flags and reads
// the newest slot. Buffers are recycled from the oldest displayed slot when the size
// matches, so steady-state composition allocates nothing.
#include <climits>
#include <new>

#include "runtime/frame/display_internal.h"
#include "runtime/platform/platform.h"

FrameRing frame_ring;
uint32_t mono_blink_table[2][9];

static void slot_empty(FrameSlot &slot) {
  delete[] slot.pixels.exchange(nullptr);
  slot.width = 0;
  slot.height = 0;
  slot.byte_size = 0;
  slot.displayed = 0;
  slot.shown = 0;
}

void ring_clear() {
  for (int s = 1; s <= FRAME_RING_SLOTS; s++) slot_empty(frame_ring.slot[s]);
  frame_ring.ring_oldest = 0;
  frame_ring.ring_newest = 0;
}

static bool slot_protected(int s, int newest) {
  for (int k = 0; k < 4; k++) {
    if (s == newest) return true;
    newest = ring_prev(newest);
  }
  return false;
}

void ring_maintain() {
  int oldest = frame_ring.ring_oldest.load();
  if (oldest == 0) return;
  int newest = frame_ring.ring_newest.load();
  while (!slot_protected(oldest, newest) && frame_ring.slot[oldest].displayed.load() == 1) {
    slot_empty(frame_ring.slot[oldest]);
    oldest = ring_next(oldest);
    frame_ring.ring_oldest = oldest;
  }
}

bool ring_full() {
  int oldest = frame_ring.ring_oldest.load();
  if (oldest == 0) return false;
  if (oldest == 1) oldest = FRAME_RING_SLOTS + 1;
  return frame_ring.ring_newest.load() + 1 == oldest;
}

int ring_take_slot(int32_t width, int32_t height) {
  int s = ring_next(frame_ring.ring_newest.load());
  FrameSlot &slot = frame_ring.slot[s];
  // A slot about to be written must be empty: anything else means the indices and the
  // buffers have gone out of step, and no later frame could be trusted.
  if (slot.pixels.load() != nullptr) platform_exit(RING_CORRUPT_EXIT_CODE);
  // A frame must fit the slot's byte count (and any texture); a larger page shows nothing.
  const int64_t wide_bytes = static_cast<int64_t>(width) * height * 4;
  if (width < 1 || height < 1 || wide_bytes > INT32_MAX) return 0;
  const int32_t bytes = static_cast<int32_t>(wide_bytes);
  slot.width = width;
  slot.height = height;
  slot.byte_size = bytes;
  slot.displayed = 0;
  slot.shown = 0;
  int oldest = frame_ring.ring_oldest.load();
  int newest = frame_ring.ring_newest.load();
  if (oldest != 0 && oldest != newest && frame_ring.slot[oldest].displayed.load() == 1 &&
      frame_ring.slot[oldest].byte_size.load() == bytes) {
    FrameSlot &old = frame_ring.slot[oldest];
    slot.pixels = old.pixels.exchange(nullptr);
    old.width = 0;
    old.height = 0;
    old.byte_size = 0;
    old.shown = 0;
    frame_ring.ring_oldest = ring_next(oldest);
    return s;
  }
  uint32_t *buffer = new (std::nothrow) uint32_t[static_cast<size_t>(width) * height];
  if (buffer == nullptr) {
    slot.width = slot.height = slot.byte_size = 0;
    return 0;  // no memory for a frame now: drop it, the next call tries again
  }
  slot.pixels = buffer;
  return s;
}

void ring_publish(int s) {
  prev_frame_valid = 1;
  frame_ring.ring_newest = s;
  if (frame_ring.ring_oldest.load() == 0) frame_ring.ring_oldest = s;
}

int ring_newest_slot() {
  if (frame_ring.ring_oldest.load() == 0) return 0;
  return frame_ring.ring_newest.load();
}

void display_startup() {
  ring_clear();
  composer_shadows_reset();
  // SCREEN 10's mono blink colours: pseudo-colour v shows level v / 3 in phase 0 and level
  // v mod 3 in phase 1 (black, grey, white).
  static const uint32_t levels[3] = {0x000000, 0x808080, 0xFFFFFF};
  for (int v = 0; v < 9; v++) {
    mono_blink_table[0][v] = levels[v / 3];
    mono_blink_table[1][v] = levels[v % 3];
  }
}
