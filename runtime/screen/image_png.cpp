// Looking at an image: renders any image or page into 32-bit pixels as the display shows
// it (text cells through the font and palette, palette pixels through the palette) and
// writes the result as a PNG file (uncompressed deflate blocks: no library needed).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/screen/screen.h"

// SCREEN 10 pseudo-colours in the first blink phase: level v / 3 of black, grey, white.
static uint32_t mono_level(uint32_t v) {
  static const uint32_t LEVEL[3] = {0x000000, 0x808080, 0xFFFFFF};
  return LEVEL[(v <= 8 ? v : 8) / 3];
}

static void render_text(const Image &image, uint32_t *out, int32_t width) {
  int32_t font = font_is_builtin(image.font_id) ? image.font_id : 16;
  int32_t fh = font_height[font], fw = font_width[font], scale = fw / 8;
  const auto *cells = static_cast<const uint8_t *>(image.pixels);
  for (int32_t row = 0; row < image.size_y; row++) {
    for (int32_t col = 0; col < image.size_x; col++) {
      const uint8_t *cell = cells + (static_cast<size_t>(row) * image.size_x + col) * 2;
      uint32_t fore = image.palette ? image.palette[cell[1] & 0x0F] : 0xFFFFFF;
      uint32_t back = image.palette ? image.palette[(cell[1] >> 4) & 7] : 0;
      for (int32_t y = 0; y < fh; y++) {
        const uint8_t *bits = builtin_glyph_row(font, cell[0], y);
        uint32_t *line = out + static_cast<size_t>(row * fh + y) * width + col * fw;
        for (int32_t x = 0; x < fw; x++)
          line[x] = (bits[x / scale] ? fore : back) | 0xFF000000u;
      }
    }
  }
}

bool image_render_rgb(int32_t index, uint32_t **out, int32_t *width, int32_t *height) {
  if (!image_handle_valid(index)) return false;
  const Image &image = image_table[index];
  int32_t w = image.size_x, h = image.size_y;
  if (image.is_text) {
    int32_t font = font_is_builtin(image.font_id) ? image.font_id : 16;
    w *= font_width[font];
    h *= font_height[font];
  }
  auto *pixels = static_cast<uint32_t *>(std::malloc(static_cast<size_t>(w) * h * 4));
  if (!pixels) return false;
  if (image.is_text) {
    render_text(image, pixels, w);
  } else if (image.pixel_bytes == 4) {
    std::memcpy(pixels, image.pixels, static_cast<size_t>(w) * h * 4);
  } else {
    const auto *src = static_cast<const uint8_t *>(image.pixels);
    uint32_t colours[256];
    for (uint32_t i = 0; i < 256; i++) {
      uint32_t c = image.palette ? image.palette[i & image.colour_mask] : 0;
      if (image.mode == 10)
        c = mono_level(image.palette ? image.palette[4 + (i & 3)] : 0);
      colours[i] = c | 0xFF000000u;
    }
    for (size_t i = 0, n = static_cast<size_t>(w) * h; i < n; i++) pixels[i] = colours[src[i]];
  }
  *out = pixels;
  *width = w;
  *height = h;
  return true;
}

// ---- PNG ---------------------------------------------------------------------------------

static uint32_t crc_table[256];

static void crc_init() {
  if (crc_table[1]) return;
  for (uint32_t n = 0; n < 256; n++) {
    uint32_t c = n;
    for (int k = 0; k < 8; k++) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    crc_table[n] = c;
  }
}

static uint32_t crc32_of(const uint8_t *data, size_t length, uint32_t crc = 0xFFFFFFFFu) {
  for (size_t i = 0; i < length; i++) crc = crc_table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

static void put_be32(std::vector<uint8_t> &v, uint32_t x) {
  v.push_back(static_cast<uint8_t>(x >> 24));
  v.push_back(static_cast<uint8_t>(x >> 16));
  v.push_back(static_cast<uint8_t>(x >> 8));
  v.push_back(static_cast<uint8_t>(x));
}

static void put_chunk(std::vector<uint8_t> &file, const char *type,
                      const std::vector<uint8_t> &data) {
  put_be32(file, static_cast<uint32_t>(data.size()));
  size_t start = file.size();
  file.insert(file.end(), type, type + 4);
  file.insert(file.end(), data.begin(), data.end());
  put_be32(file, crc32_of(file.data() + start, file.size() - start) ^ 0xFFFFFFFFu);
}

// A zlib stream of stored (uncompressed) deflate blocks.
static std::vector<uint8_t> zlib_stored(const std::vector<uint8_t> &raw) {
  std::vector<uint8_t> z = {0x78, 0x01};
  size_t at = 0;
  do {
    size_t n = raw.size() - at > 65535 ? 65535 : raw.size() - at;
    bool final = at + n == raw.size();
    z.push_back(final ? 1 : 0);
    z.push_back(static_cast<uint8_t>(n));
    z.push_back(static_cast<uint8_t>(n >> 8));
    z.push_back(static_cast<uint8_t>(~n));
    z.push_back(static_cast<uint8_t>(~n >> 8));
    z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
    at += n;
  } while (at < raw.size());
  uint32_t a = 1, b = 0;
  for (uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  put_be32(z, (b << 16) | a);
  return z;
}

bool image_write_png(int32_t index, const char *path) {
  uint32_t *pixels = nullptr;
  int32_t w = 0, h = 0;
  if (!path || !image_render_rgb(index, &pixels, &w, &h)) return false;
  crc_init();
  std::vector<uint8_t> raw;
  raw.reserve(static_cast<size_t>(w * 3 + 1) * h);
  for (int32_t y = 0; y < h; y++) {
    raw.push_back(0);  // filter: none
    for (int32_t x = 0; x < w; x++) {
      uint32_t c = pixels[static_cast<size_t>(y) * w + x];
      raw.push_back(static_cast<uint8_t>(c >> 16));
      raw.push_back(static_cast<uint8_t>(c >> 8));
      raw.push_back(static_cast<uint8_t>(c));
    }
  }
  std::free(pixels);
  std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  put_be32(header, static_cast<uint32_t>(w));
  put_be32(header, static_cast<uint32_t>(h));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
  put_chunk(file, "IHDR", header);
  put_chunk(file, "IDAT", zlib_stored(raw));
  put_chunk(file, "IEND", {});
  std::FILE *f = std::fopen(path, "wb");
  if (!f) return false;
  bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
  ok = (std::fclose(f) == 0) && ok;
  return ok;
}
