// Consistency check of the string storage, for tests and fuzzing: every pool list is in
// byte order with correct indices, every string lies inside its pool, every 4-byte low
// descriptor matches its string, and the temporary list points back at its strings.
#include <cstdarg>
#include <cstdio>

#include "runtime/values/string_storage.h"

namespace {

bool fault(char *why, size_t why_size, const char *format, ...) {
  if (why != nullptr && why_size > 0) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(why, why_size, format, args);
    va_end(args);
  }
  return false;
}

bool check_low_descriptor(const BasicString *s, char *why, size_t why_size);

bool check_list(const char *name, const StringList &list, uint8_t *start, size_t fill, bool low, char *why,
                size_t why_size, int32_t *live) {
  if (list.count < 0 || list.count > list.capacity + 1)
    return fault(why, why_size, "%s list count %d outside 0..%d", name, list.count, list.capacity + 1);
  size_t previous_end = low ? size_t(LOW_POOL_START) : 0;
  for (int32_t i = 0; i < list.count; i++) {
    BasicString *s = list.entries[i];
    if (s == FREED_ENTRY) continue;
    if (s == nullptr) return fault(why, why_size, "%s list entry %d is null", name, i);
    if (s->list_index != i) return fault(why, why_size, "%s list entry %d has list_index %d", name, i, s->list_index);
    if ((s->in_low_memory != 0) != low) return fault(why, why_size, "%s list entry %d in the wrong pool", name, i);
    if (s->fixed_length || s->read_only)
      return fault(why, why_size, "%s list entry %d is fixed-length or read-only", name, i);
    if (s->length < 0) return fault(why, why_size, "%s list entry %d has length %d", name, i, s->length);
    if (s->data < start) return fault(why, why_size, "%s list entry %d starts before its pool", name, i);
    size_t begin = size_t(s->data - start);
    size_t end = begin + size_t(s->length);
    if (begin < previous_end)
      return fault(why, why_size, "%s list entry %d at %zu overlaps or precedes the previous string ending at %zu", name,
                   i, begin, previous_end);
    if (end > fill) return fault(why, why_size, "%s list entry %d ends at %zu past the fill mark %zu", name, i, end, fill);
    previous_end = end;
    ++*live;
    if (low) {
      if (!s->temporary && s->low_descriptor == nullptr)
        return fault(why, why_size, "permanent low string %d has no 4-byte descriptor", i);
      if (!check_low_descriptor(s, why, why_size)) return false;
    }
    if (s->temporary && (s->temp_index <= 0 || uint32_t(s->temp_index) >= temp_list.count ||
                         temp_list.entries[s->temp_index] != s))
      return fault(why, why_size, "%s list entry %d is a temporary missing from the temporary list", name, i);
  }
  return true;
}

bool check_low_descriptor(const BasicString *s, char *why, size_t why_size) {
  if (s->low_descriptor == nullptr) return true;
  const LowStringPool &pool = low_pool;
  if (s->low_descriptor != pool.segment + s->low_descriptor_offset)
    return fault(why, why_size, "low descriptor pointer and offset %d disagree", s->low_descriptor_offset);
  if (s->low_descriptor_offset < pool.descriptor_top || s->low_descriptor_offset > LOW_DESCRIPTOR_TOP_STARTUP - 4)
    return fault(why, why_size, "low descriptor offset %d outside the descriptor area from %d", s->low_descriptor_offset,
                 pool.descriptor_top);
  const uint8_t *d = s->low_descriptor;
  uint32_t length = uint32_t(d[0]) | uint32_t(d[1]) << 8;
  uint32_t offset = uint32_t(d[2]) | uint32_t(d[3]) << 8;
  uint32_t want_offset = s->data != nullptr ? uint32_t(s->data - pool.segment) & 0xFFFF : 0;
  if (length != (uint32_t(s->length) & 0xFFFF) || offset != want_offset)
    return fault(why, why_size, "low descriptor at %d holds length %u offset %u, string has %d at %u",
                 s->low_descriptor_offset, length, offset, s->length, want_offset);
  return true;
}

}  // namespace

bool string_storage_check(char *why, size_t why_size, StorageCounts *counts) {
  StorageCounts found = {};
  const StringHeap &heap = string_heap;
  if (heap.fill > heap.size) return fault(why, why_size, "heap fill mark %zu past its size %zu", heap.fill, heap.size);
  if (!check_list("heap", heap.list, heap.base, heap.fill, false, why, why_size, &found.heap_strings)) return false;

  const LowStringPool &pool = low_pool;
  if (pool.segment != nullptr) {
    if (pool.fill < LOW_POOL_START || pool.fill > pool.descriptor_top || pool.descriptor_top > LOW_DESCRIPTOR_TOP_STARTUP)
      return fault(why, why_size, "low pool fill %d and descriptor top %d out of order", pool.fill, pool.descriptor_top);
    if (!check_list("low", pool.list, pool.segment, size_t(pool.fill), true, why, why_size, &found.low_strings))
      return false;
    for (int32_t i = 0; i < pool.free_slot_count; i++)
      if (pool.free_slots[i] < pool.descriptor_top)
        return fault(why, why_size, "released low descriptor slot %d below the top %d", pool.free_slots[i],
                     pool.descriptor_top);
  }

  const TempList &temps = temp_list;
  if (temps.count < 1 || temps.count > temps.capacity + 1)
    return fault(why, why_size, "temporary list count %u outside 1..%u", temps.count, temps.capacity + 1);
  for (uint32_t i = 1; i < temps.count; i++) {
    BasicString *s = temps.entries[i];
    if (s == FREED_ENTRY) continue;
    if (s == nullptr) return fault(why, why_size, "temporary list entry %u is null", i);
    if (uint32_t(s->temp_index) != i || !s->temporary)
      return fault(why, why_size, "temporary list entry %u has temp_index %d temporary %d", i, s->temp_index, s->temporary);
    if (!check_low_descriptor(s, why, why_size)) return false;
    found.temporaries++;
  }
  if (counts != nullptr) *counts = found;
  return true;
}

// Exposed for the tests of fixed-length strings: the check of one string's descriptor.
bool string_low_descriptor_check(const BasicString *s, char *why, size_t why_size) {
  return check_low_descriptor(s, why, why_size);
}
