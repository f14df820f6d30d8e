// Rendering images as the display shows them, and the PNG files written from them (read
// back here by a small decoder of the stored-block files the writer produces).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/errors/errors.h"
#include "runtime/screen/screen.h"
#include "tests/support/screen_text.h"

namespace {

uint32_t be32(const uint8_t *p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

uint32_t crc32_ref(const uint8_t *p, size_t n) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; i++) {
    c ^= p[i];
    for (int k = 0; k < 8; k++) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
  }
  return c ^ 0xFFFFFFFFu;
}

// Decodes an 8-bit RGB PNG made of stored deflate blocks into 0xRRGGBB pixels.
bool read_png(const std::string &path, int *w, int *h, std::vector<uint32_t> *out) {
  std::ifstream f(path, std::ios::binary);
  std::vector<uint8_t> d((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  const uint8_t sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (d.size() < 8 || !std::equal(sig, sig + 8, d.begin())) return false;
  std::vector<uint8_t> z;
  for (size_t at = 8; at + 12 <= d.size();) {
    uint32_t len = be32(&d[at]);
    std::string type(d.begin() + at + 4, d.begin() + at + 8);
    if (crc32_ref(&d[at + 4], len + 4) != be32(&d[at + 8 + len])) return false;
    if (type == "IHDR") {
      *w = int(be32(&d[at + 8]));
      *h = int(be32(&d[at + 12]));
      if (d[at + 16] != 8 || d[at + 17] != 2) return false;
    } else if (type == "IDAT") {
      z.insert(z.end(), d.begin() + at + 8, d.begin() + at + 8 + len);
    }
    at += 12 + len;
  }
  std::vector<uint8_t> raw;
  size_t at = 2;
  for (;;) {
    uint8_t head = z[at];
    if ((head & 6) != 0) return false;  // only stored blocks
    uint32_t n = z[at + 1] | (z[at + 2] << 8);
    if (uint16_t(~n) != uint16_t(z[at + 3] | (z[at + 4] << 8))) return false;
    raw.insert(raw.end(), z.begin() + at + 5, z.begin() + at + 5 + n);
    at += 5 + n;
    if (head & 1) break;
  }
  uint32_t a = 1, b = 0;
  for (uint8_t x : raw) a = (a + x) % 65521, b = (b + a) % 65521;
  if (be32(&z[at]) != ((b << 16) | a)) return false;
  if (raw.size() != size_t(*h) * (*w * 3 + 1)) return false;
  out->clear();
  for (int y = 0; y < *h; y++) {
    const uint8_t *row = &raw[size_t(y) * (*w * 3 + 1)];
    if (row[0] != 0) return false;
    for (int x = 0; x < *w; x++)
      out->push_back((row[1 + x * 3] << 16) | (row[2 + x * 3] << 8) | row[3 + x * 3]);
  }
  return true;
}

std::string temp_png(const char *name) {
  return ::testing::TempDir() + name;
}

TEST(ImagePng, Screen12PageThroughItsPalette) {
  screen_test_startup();
  rt_screen(12, 0, 0, 0, 0, 1);
  rt_color(14, 1, 0, 3);
  print_line("HELLO");
  std::string path = temp_png("screen12.png");
  ASSERT_TRUE(image_write_png(page_list[0], path.c_str()));
  int w = 0, h = 0;
  std::vector<uint32_t> px;
  ASSERT_TRUE(read_png(path, &w, &h, &px));
  ASSERT_EQ(w, 640);
  ASSERT_EQ(h, 480);
  // Row 2 of "H" (11000110): yellow glyph pixels on the blue cell, black elsewhere.
  EXPECT_EQ(px[2 * 640 + 0], 0xFFFF55u);
  EXPECT_EQ(px[2 * 640 + 2], 0x0000AAu);
  EXPECT_EQ(px[100 * 640 + 100], 0x000000u);
  std::remove(path.c_str());
}

TEST(ImagePng, TextPageThroughItsFont) {
  screen_test_startup();
  rt_color(15, 4, 0, 3);
  print_line("A");
  uint32_t *px = nullptr;
  int32_t w = 0, h = 0;
  ASSERT_TRUE(image_render_rgb(page_list[0], &px, &w, &h));
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 400);
  // Row 2 of the 8x16 "A" is 00010000: column 3 white, column 0 red background.
  EXPECT_EQ(px[2 * 640 + 3], 0xFFFFFFFFu);
  EXPECT_EQ(px[2 * 640 + 0], 0xFFAA0000u);
  EXPECT_EQ(px[16 * 640 + 0], 0xFF000000u);  // row 2: blank on black
  std::free(px);
  // 40 x 25 text doubles each glyph column.
  screen_text_resize(40, 25);
  print_line("A");
  ASSERT_TRUE(image_render_rgb(page_list[0], &px, &w, &h));
  EXPECT_EQ(w, 640);
  EXPECT_EQ(px[2 * 640 + 6], 0xFFAAAAAAu);
  EXPECT_EQ(px[2 * 640 + 7], 0xFFAAAAAAu);
  EXPECT_EQ(px[2 * 640 + 5], 0xFF000000u);
  std::free(px);
  std::string path = temp_png("text.png");
  EXPECT_TRUE(image_write_png(page_list[0], path.c_str()));
  EXPECT_FALSE(image_write_png(-5, path.c_str()));
  EXPECT_FALSE(image_write_png(page_list[0], "/nonexistent-dir/x.png"));
  std::remove(path.c_str());
}

TEST(ImagePng, Screen10PseudoColoursAndThirtyTwoBit) {
  screen_test_startup();
  rt_screen(10, 0, 0, 0, 0, 1);
  static_cast<uint8_t *>(dest_image->pixels)[0] = 3;  // attribute 3 -> pseudo-colour 8
  static_cast<uint8_t *>(dest_image->pixels)[1] = 1;  // attribute 1 -> pseudo-colour 4
  uint32_t *px = nullptr;
  int32_t w = 0, h = 0;
  ASSERT_TRUE(image_render_rgb(page_list[0], &px, &w, &h));
  EXPECT_EQ(px[0], 0xFFFFFFFFu);
  EXPECT_EQ(px[1], 0xFF808080u);
  EXPECT_EQ(px[2], 0xFF000000u);
  std::free(px);
  int32_t img = image_create(4, 3, 32);
  static_cast<uint32_t *>(image_table[img].pixels)[5] = 0xFF123456u;
  std::string path = temp_png("rgb.png");
  ASSERT_TRUE(image_write_png(img, path.c_str()));
  int pw = 0, ph = 0;
  std::vector<uint32_t> got;
  ASSERT_TRUE(read_png(path, &pw, &ph, &got));
  EXPECT_EQ(pw, 4);
  EXPECT_EQ(ph, 3);
  EXPECT_EQ(got[5], 0x123456u);
  EXPECT_EQ(got[0], 0x000000u);
  std::remove(path.c_str());
}

}  // namespace
