// PSET throughput: a 640 x 480 palette page (SCREEN 12) and a 640 x 480 32-bit page with
// blending (the table path, the half-alpha average and opaque stores), plain and under a
// WINDOW, plus POINT reads. Each iteration sets one pixel, sweeping the whole page.
#include <benchmark/benchmark.h>

#include "runtime/errors/errors.h"
#include "runtime/screen/screen.h"
#include "runtime/values/values.h"

namespace {

void start_screen() {
  pending_error = 0;
  screen_startup();
  strings_startup();
  screen_load_builtin_data();
  screen_enter_start_mode();
}

void use_palette_page() {
  start_screen();
  rt_screen(12, 0, 0, 0, 0, 1);
}

void use_32bit_page() {
  start_screen();
  int32_t index = image_create(640, 480, 32);
  dest_index = source_index = index;
  image_pointers_refresh();
  rect_fill(0, 0, 639, 479, 0xFF204060);
}

// Sets one pixel per iteration, row by row over the page, with the given colour.
void sweep(benchmark::State &state, uint32_t colour) {
  int32_t x = 0, y = 0;
  for (auto _ : state) {
    rt_pset(static_cast<float>(x), static_cast<float>(y), colour, 2);
    if (++x == 640) {
      x = 0;
      if (++y == 480) y = 0;
    }
  }
  benchmark::DoNotOptimize(dest_image->pixels);
  state.SetItemsProcessed(state.iterations());
}

void BM_PsetPalette(benchmark::State &state) {
  use_palette_page();
  sweep(state, 300);
}
BENCHMARK(BM_PsetPalette);

void BM_PsetPaletteWindow(benchmark::State &state) {
  use_palette_page();
  rt_window(0, 0, 639, 479, 1);
  sweep(state, 9);
}
BENCHMARK(BM_PsetPaletteWindow);

void BM_Pset32Opaque(benchmark::State &state) {
  use_32bit_page();
  sweep(state, 0xFFFF8000);
}
BENCHMARK(BM_Pset32Opaque);

void BM_Pset32BlendTables(benchmark::State &state) {
  use_32bit_page();
  sweep(state, 0x40FF8000);
}
BENCHMARK(BM_Pset32BlendTables);

void BM_Pset32BlendHalf(benchmark::State &state) {
  use_32bit_page();
  sweep(state, 0x80FF8000);
}
BENCHMARK(BM_Pset32BlendHalf);

void BM_Pset32BlendOff(benchmark::State &state) {
  use_32bit_page();
  dest_image->blend_off = 1;
  sweep(state, 0x40FF8000);
}
BENCHMARK(BM_Pset32BlendOff);

void BM_Point32(benchmark::State &state) {
  use_32bit_page();
  int32_t x = 0, y = 0;
  double sum = 0;
  for (auto _ : state) {
    sum += rt_point(static_cast<float>(x), static_cast<float>(y), 1);
    if (++x == 640) {
      x = 0;
      if (++y == 480) y = 0;
    }
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Point32);

}  // namespace
