// The composer's cost per call: a 640 x 480 palette page that changed since the last
// frame (compare, copy and rebuild the whole frame), and a text page that did not change
// (the common idle case: compare and skip).
#include <benchmark/benchmark.h>

#include "runtime/frame/frame.h"
#include "runtime/screen/screen.h"

namespace {

void set_up(int mode) {
  screen_startup();
  screen_load_builtin_data();
  display_startup();
  screen_enter_start_mode();
  if (mode != 0) rt_screen(mode, 0, 0, 0, 0, 1);
  rt_control.autodisplay = 0;
  rt_control.frame_counter = 0;
}

// What the presenter does: every frame before the newest has been superseded.
void present() {
  int s = frame_ring.ring_oldest.load();
  if (s == 0) return;
  const int newest = frame_ring.ring_newest.load();
  while (s != newest) {
    frame_ring.slot[s].displayed = 1;
    s = s >= FRAME_RING_SLOTS ? 1 : s + 1;
  }
}

void BM_ComposeChangedPalettePage640x480(benchmark::State &state) {
  set_up(12);
  Image *page = display_image;
  uint8_t *px = static_cast<uint8_t *>(page->pixels);
  for (int i = 0; i < 640 * 480; i++) px[i] = static_cast<uint8_t>(i % 16);
  frame_compose();
  present();
  int n = 0;
  for (auto _ : state) {
    px[(n * 7919) % (640 * 480)] ^= 1;  // one pixel changes: the whole frame is rebuilt
    n++;
    frame_compose();
    present();
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * 640 * 480);
}
BENCHMARK(BM_ComposeChangedPalettePage640x480);

void BM_ComposeUnchangedPalettePage640x480(benchmark::State &state) {
  set_up(12);
  frame_compose();
  present();
  for (auto _ : state) frame_compose();
}
BENCHMARK(BM_ComposeUnchangedPalettePage640x480);

void BM_ComposeUnchangedTextPage80x25(benchmark::State &state) {
  set_up(0);
  uint8_t *cells = static_cast<uint8_t *>(display_image->pixels);
  for (int i = 0; i < 80 * 25; i++) {
    cells[i * 2] = static_cast<uint8_t>('A' + i % 26);
    cells[i * 2 + 1] = 0x07;
  }
  frame_compose();
  present();
  for (auto _ : state) frame_compose();
}
BENCHMARK(BM_ComposeUnchangedTextPage80x25);

void BM_ComposeTextPageOneCellChanged(benchmark::State &state) {
  set_up(0);
  uint8_t *cells = static_cast<uint8_t *>(display_image->pixels);
  frame_compose();
  present();
  int n = 0;
  for (auto _ : state) {
    cells[(n % 2000) * 2] = static_cast<uint8_t>('A' + n % 26);
    n++;
    frame_compose();
    present();
  }
}
BENCHMARK(BM_ComposeTextPageOneCellChanged);

}  // namespace
