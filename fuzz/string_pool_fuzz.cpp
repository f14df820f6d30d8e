// Random sequences of string operations (create in every pool, assign, concatenate, free,
// free temporaries, take-over, in-place trimming, growth and compaction), each followed by
// a full check of the storage against a shadow model. The input bytes choose the steps.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/values/string_storage.h"
#include "tests/support/string_model.h"

namespace {

constexpr int MAX_STEPS = 3000;

struct ByteSource {
  const uint8_t *data;
  size_t size;
  size_t position;

  // A choice in 0..bound-1 from as few input bytes as the bound needs; 0 once exhausted.
  uint32_t pick(uint32_t bound) {
    if (bound <= 1) return 0;
    int bytes = bound <= 256 ? 1 : bound <= 65536 ? 2 : 4;
    uint32_t value = 0;
    for (int i = 0; i < bytes; i++) value = value << 8 | (position < size ? data[position++] : 0);
    return value % bound;
  }
};

[[noreturn]] void report(const char *when, const char *op, const std::string &why) {
  std::fprintf(stderr, "string storage fault %s (%s): %s\n", when, op, why.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  ByteSource source{data, size, 0};
  std::string why;
  {
    StringModel model([&source](uint32_t bound) { return source.pick(bound); });
    for (int step = 0; step < MAX_STEPS && source.position < source.size; step++) {
      const char *op = model.step();
      if (!model.check(&why, step % 64 == 0)) report("after a step", op, why);
    }
    model.clear();
    if (!model.check(&why, true)) report("after freeing everything", "clear", why);
  }
  if (string_heap.fill != 0 || bstr_temp_mark() != 1) report("at the end", "clear", "strings left behind");
  return 0;
}
