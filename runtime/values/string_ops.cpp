// The core string operations: create, assign, concatenate, free, free a statement's
// temporaries, and compare. Every string value of the program passes through these.
#include <cstring>

#include "runtime/errors/errors.h"
#include "runtime/files/files.h"
#include "runtime/frame/frame.h"
#include "runtime/values/string_storage.h"

namespace {

uint8_t *const segment_start = real_memory + LOW_SEGMENT_OFFSET;

bool in_data_segment(const uint8_t *address) {
  return address >= segment_start && address < segment_start + LOW_SEGMENT_SIZE;
}

// Removes s from the temporary list, lowering the count over freed entries at its top.
void temp_list_release(BasicString *s) {
  TempList &list = temp_list;
  list.entries[s->temp_index] = FREED_ENTRY;
  while (list.count > 1 && list.entries[list.count - 1] == FREED_ENTRY) list.count--;
  s->temp_index = 0;
  s->temporary = 0;
}

void copy_bytes(uint8_t *to, const uint8_t *from, int32_t length) {
  if (length > 0 && to != from) std::memmove(to, from, size_t(length));
}

// One pool seen uniformly: the heap or the low pool, as offsets from the pool's start.
struct PoolView {
  StringList *list;
  uint8_t *start;
  size_t end;     // first offset past the usable area
  bool low;
};

PoolView pool_of(const BasicString *s) {
  if (s->in_low_memory) return {&low_pool.list, low_pool.segment, size_t(low_pool.descriptor_top), true};
  return {&string_heap.list, string_heap.base, string_heap.size, false};
}

void pool_set_fill(const PoolView &pool, size_t fill) {
  if (pool.low) low_pool.fill = int32_t(fill);
  else string_heap.fill = fill;
}

size_t pool_fill(const PoolView &pool) { return pool.low ? size_t(low_pool.fill) : string_heap.fill; }

// Moves the target's bytes to the fill mark of its pool, compacting (and, for the heap,
// growing) first when the room is short.
void relocate(BasicString *target, BasicString *source) {
  string_stats.relocations++;
  int32_t length = source->length;
  PoolView pool = pool_of(target);
  pool.list->entries[target->list_index] = FREED_ENTRY;
  if (pool_fill(pool) + size_t(length) > pool.end) {
    if (pool.low) low_compact(length);
    else heap_compact(size_t(length));
    pool = pool_of(target);
  }
  if (pool.low) low_list_append(target);
  else heap_list_append(target);
  size_t fill = pool_fill(pool);
  target->data = pool.start + fill;
  pool_set_fill(pool, fill + size_t(length));
  copy_bytes(target->data, source->data, length);
  target->length = length;
}

// Assignment of a longer value: grow in place when the bytes after the target are free,
// otherwise relocate.
void grow(BasicString *target, BasicString *source) {
  int32_t length = source->length;
  PoolView pool = pool_of(target);
  StringList &list = *pool.list;
  int32_t index = target->list_index;
  size_t new_end = size_t(target->data - pool.start) + size_t(length);
  bool in_place = false;
  bool sets_fill = false;
  if (index == list.count - 1) {
    in_place = new_end <= pool.end;
    sets_fill = true;
  } else {
    // A temporary source is about to be freed, so its bytes may be overwritten (the copy
    // is a forward move). It keeps its entry until then.
    int32_t keep = index;
    BasicString *next = nullptr;
    for (int32_t i = index + 1; i < list.count; i++) {
      BasicString *e = list.entries[i];
      if (e == FREED_ENTRY) continue;
      if (e == source && source->temporary) {
        keep = i;
        continue;
      }
      next = e;
      break;
    }
    if (next != nullptr) {
      in_place = target->data + length <= next->data;
    } else {
      list.count = keep + 1;
      in_place = new_end <= pool.end;
      sets_fill = true;
    }
  }
  if (!in_place) {
    relocate(target, source);
    return;
  }
  string_stats.grown_in_place++;
  copy_bytes(target->data, source->data, length);
  target->length = length;
  if (sets_fill) pool_set_fill(pool, new_end);
}

}  // namespace

// ---- creating strings -------------------------------------------------------------------

BasicString *bstr_new(uint32_t length, int temporary) {
  if (length > uint32_t(INT32_MAX)) string_critical(ERR_CRITICAL_HEAP);
  StringHeap &heap = string_heap;
  size_t need = size_t(length) + STRING_SLACK;
  if (heap.fill + need > heap.size) heap_compact(need);
  BasicString *s = descriptor_take();
  s->length = int32_t(length);
  s->data = heap.base + heap.fill;
  heap.fill += need;
  heap_list_append(s);
  if (temporary) temp_list_append(s);
  return s;
}

BasicString *bstr_new_low(uint32_t length, int temporary) {
  if (low_pool.segment == nullptr) strings_startup();
  LowStringPool &pool = low_pool;
  if (length > uint32_t(LOW_SEGMENT_SIZE)) string_critical(ERR_CRITICAL_LOW_POOL);
  // A permanent string also needs its 4-byte descriptor below the top: count it in, so that
  // compaction runs before the descriptor would collide with the bytes.
  int32_t room = int32_t(length) + (temporary || pool.free_slot_count > 0 ? 0 : 4);
  if (pool.fill + room > pool.descriptor_top) low_compact(room);
  BasicString *s = descriptor_take();
  s->length = int32_t(length);
  s->data = pool.segment + pool.fill;
  s->in_low_memory = 1;
  pool.fill += int32_t(length);
  low_list_append(s);
  if (temporary) temp_list_append(s);
  else low_descriptor_attach(s, ERR_CRITICAL_LOW_DESCRIPTOR);
  return s;
}

BasicString *bstr_new_fixed(uint8_t *address, uint32_t length, int temporary) {
  if (length > uint32_t(INT32_MAX)) length = uint32_t(INT32_MAX);
  BasicString *s = descriptor_take();
  s->data = address;
  s->length = int32_t(length);
  s->fixed_length = 1;
  if (temporary) {
    temp_list_append(s);
  } else if (in_data_segment(address)) {
    if (low_pool.segment == nullptr) strings_startup();
    low_descriptor_attach(s, ERR_CRITICAL_FIXED_DESCRIPTOR);
  }
  return s;
}

BasicString *bstr_from_text(const void *text, int32_t length) {
  BasicString *s = descriptor_take();
  if (text == nullptr || length < 0) length = 0;
  s->data = const_cast<uint8_t *>(static_cast<const uint8_t *>(text));
  s->length = length;
  s->read_only = 1;
  temp_list_append(s);
  return s;
}

BasicString *bstr_from_cstr(const char *text) {
  size_t length = text == nullptr ? 0 : std::strlen(text);
  if (length > size_t(INT32_MAX)) length = size_t(INT32_MAX);
  return bstr_from_text(text, int32_t(length));
}

BasicString *bstr_make_temporary(BasicString *s) {
  if (s->temp_index == 0) temp_list_append(s);
  s->temporary = 1;
  return s;
}

// ---- freeing ----------------------------------------------------------------------------

void bstr_free(BasicString *s) {
  // The shared start-up strings live for the whole run.
  if (s == nullptr || s == blank_string || s == space_string) return;
  if (s->field_binding != nullptr) field_binding_detach(s);
  if (s->temp_index != 0) temp_list_release(s);
  if (s->fixed_length || s->read_only) {
    low_descriptor_release(s);
    descriptor_give_back(s);
    return;
  }
  if (s->in_low_memory) {
    // The bytes stay behind the fill mark; only low compaction takes them back.
    low_descriptor_release(s);
    StringList &list = low_pool.list;
    list.entries[s->list_index] = FREED_ENTRY;
    if (s->list_index == list.count - 1) list.count--;
  } else {
    StringHeap &heap = string_heap;
    StringList &list = heap.list;
    list.entries[s->list_index] = FREED_ENTRY;
    while (list.count > 0 && list.entries[list.count - 1] == FREED_ENTRY) list.count--;
    if (list.count > 0) {
      BasicString *last = list.entries[list.count - 1];
      size_t fill = size_t(last->data - heap.base) + size_t(last->length) + STRING_SLACK;
      heap.fill = fill < heap.size ? fill : heap.size;
    } else {
      heap.fill = 0;
    }
  }
  descriptor_give_back(s);
}

int32_t bstr_free_temporaries(uint32_t mark, int32_t value) {
  TempList &list = temp_list;
  if (mark < 1) mark = 1;
  while (list.count > mark) {
    list.count--;
    BasicString *s = list.entries[list.count];
    list.entries[list.count] = FREED_ENTRY;
    if (s == FREED_ENTRY || s == nullptr) continue;
    // Already unlisted here, so bstr_free leaves the count alone.
    s->temp_index = 0;
    bstr_free(s);
  }
  return value;
}

uint32_t bstr_temp_mark() { return temp_list.count; }

// ---- assignment and concatenation -------------------------------------------------------

BasicString *bstr_set(BasicString *target, BasicString *source) {
  if (target == source) return target;
  if (target->read_only) {
    // Program text is never written; the value is dropped like any consumed temporary.
    if (source->temporary) bstr_free(source);
    return target;
  }
  if (target->fixed_length) {
    int32_t n = source->length < target->length ? source->length : target->length;
    copy_bytes(target->data, source->data, n);
    if (n < target->length) std::memset(target->data + n, ' ', size_t(target->length - n));
  } else if (source->temporary && !source->fixed_length && !source->read_only &&
             source->in_low_memory == target->in_low_memory) {
    // Take-over: the target adopts the temporary's bytes and its place in the pool list.
    string_stats.take_overs++;
    StringList &list = *pool_of(target).list;
    list.entries[target->list_index] = FREED_ENTRY;
    target->list_index = source->list_index;
    list.entries[target->list_index] = target;
    if (source->temp_index != 0) {
      temp_list.entries[source->temp_index] = FREED_ENTRY;
      if (uint32_t(source->temp_index) == temp_list.count - 1) temp_list.count--;
    }
    target->data = source->data;
    target->length = source->length;
    low_descriptor_release(source);  // a permanent made temporary may still have one
    descriptor_give_back(source);
    if (target->low_descriptor != nullptr) low_descriptor_write(target);
    return target;
  } else if (source->length <= target->length) {
    copy_bytes(target->data, source->data, source->length);
    target->length = source->length;
  } else {
    grow(target, source);
  }
  if (source->temporary) bstr_free(source);
  if (target->low_descriptor != nullptr) low_descriptor_write(target);
  return target;
}

BasicString *bstr_add(BasicString *a, BasicString *b) {
  if (b->length == 0) return a;
  if (a->length == 0) return b;
  int64_t total = int64_t(a->length) + int64_t(b->length);
  if (total > INT32_MAX) string_critical(ERR_CRITICAL_HEAP);
  // Creating the result may compact the heap: read the operands' bytes only afterwards.
  BasicString *r = bstr_new(uint32_t(total), 1);
  std::memcpy(r->data, a->data, size_t(a->length));
  std::memcpy(r->data + a->length, b->data, size_t(b->length));
  if (a->temporary) bstr_free(a);
  if (b != a && b->temporary) bstr_free(b);
  return r;
}

// ---- comparison -------------------------------------------------------------------------

namespace {

// Unsigned byte order over the common length; on a tie the shorter string is smaller.
int compare(const BasicString *a, const BasicString *b) {
  int32_t common = a->length < b->length ? a->length : b->length;
  if (common > 0) {
    int c = std::memcmp(a->data, b->data, size_t(common));
    if (c != 0) return c < 0 ? -1 : 1;
  }
  if (a->length == b->length) return 0;
  return a->length < b->length ? -1 : 1;
}

int32_t truth(bool value) { return value ? -1 : 0; }

}  // namespace

int32_t bstr_equal(BasicString *a, BasicString *b) {
  if (a->length != b->length) return 0;
  return truth(a->length == 0 || std::memcmp(a->data, b->data, size_t(a->length)) == 0);
}
int32_t bstr_not_equal(BasicString *a, BasicString *b) { return bstr_equal(a, b) ? 0 : -1; }
int32_t bstr_less(BasicString *a, BasicString *b) { return truth(compare(a, b) < 0); }
int32_t bstr_greater(BasicString *a, BasicString *b) { return truth(compare(a, b) > 0); }
int32_t bstr_less_equal(BasicString *a, BasicString *b) { return truth(compare(a, b) <= 0); }
int32_t bstr_greater_equal(BasicString *a, BasicString *b) { return truth(compare(a, b) >= 0); }
