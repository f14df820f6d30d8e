// Shared set-up of the graphics tests: a fresh screen before each case, helpers to select
// images and to read pixels and the pending error.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>

#include "runtime/errors/errors.h"
#include "runtime/screen/screen.h"
#include "tests/support/screen_text.h"

class GraphicsTest : public ::testing::Test {
 protected:
  void SetUp() override { screen_test_startup(); }
  void TearDown() override { pending_error = 0; }

  static void screen(int32_t mode) { rt_screen(mode, 0, 0, 0, 0, 1); }
  // Makes an image the destination and the source.
  static void use(int32_t index) {
    dest_index = source_index = index;
    image_pointers_refresh();
  }
  // A new off-screen image of the mode, made the destination and the source.
  static int32_t image(int32_t width, int32_t height, int32_t mode) {
    int32_t index = image_create(width, height, mode);
    use(index);
    return index;
  }
  static uint32_t pixel(int32_t x, int32_t y) { return image_pixel_get(dest_image, x, y); }
  static void set_pixel32(int32_t x, int32_t y, uint32_t value) {
    static_cast<uint32_t *>(dest_image->pixels)[y * dest_image->size_x + x] = value;
  }
  // The pending error number, cleared.
  static int32_t take_error() {
    int32_t e = static_cast<int32_t>(pending_error.load());
    pending_error = 0;
    return e;
  }
  // Number of destination pixels different from zero.
  static int32_t lit_pixels() {
    int32_t n = 0;
    for (int32_t y = 0; y < dest_image->size_y; y++)
      for (int32_t x = 0; x < dest_image->size_x; x++) n += pixel(x, y) != 0;
    return n;
  }
};
