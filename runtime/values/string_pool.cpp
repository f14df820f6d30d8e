// The storage of runtime strings: descriptor blocks and their free stack, the string heap
// with its list and compaction, the low string pool in the default data segment with its
// 4-byte descriptors, and the temporary list.
#include <cstdlib>
#include <cstring>

#include "runtime/errors/errors.h"
#include "runtime/frame/frame.h"
#include "runtime/values/string_storage.h"

StringStats string_stats;
DescriptorPool descriptor_pool;
StringHeap string_heap;
LowStringPool low_pool;
TempList temp_list;

BasicString *blank_string = nullptr;
BasicString *space_string = nullptr;

// Exhaustion of a pool ends the process through the critical branch of rt_error; should
// that ever return, the process still must not run on with a broken pool.
void string_critical(int32_t code) {
  rt_error(code);
  std::_Exit(0);
}

namespace {

bool storage_ready = false;

bool list_init(StringList &list) {
  list.entries = static_cast<BasicString **>(std::calloc(size_t(LIST_INITIAL_CAPACITY) + 1, sizeof(BasicString *)));
  list.count = 0;
  list.capacity = LIST_INITIAL_CAPACITY;
  return list.entries != nullptr;
}

// Removes the freed entries (survivors keep their order and learn their new index), then
// doubles the capacity when at least half of it is still in use.
void list_maintain(StringList &list, int32_t error_code) {
  string_stats.list_maintenances++;
  int32_t write = 0;
  for (int32_t i = 0; i < list.count; i++) {
    BasicString *s = list.entries[i];
    if (s == FREED_ENTRY) continue;
    if (write != i) {
      list.entries[write] = s;
      s->list_index = write;
    }
    write++;
  }
  for (int32_t i = write; i < list.count; i++) list.entries[i] = FREED_ENTRY;
  list.count = write;
  if (list.count >= list.capacity / 2) {
    int64_t capacity = int64_t(list.capacity) * 2;
    if (capacity > INT32_MAX - 1) string_critical(error_code);
    void *grown = std::realloc(list.entries, size_t(capacity + 1) * sizeof(BasicString *));
    if (grown == nullptr) string_critical(error_code);
    list.entries = static_cast<BasicString **>(grown);
    list.capacity = int32_t(capacity);
  }
}

void list_append(StringList &list, BasicString *s, int32_t error_code) {
  if (list.count > list.capacity) list_maintain(list, error_code);
  s->list_index = list.count;
  list.entries[list.count] = s;
  list.count++;
}

// Static start-up: the storage exists before main, so start-up code may make strings.
struct StringStorageStartup {
  StringStorageStartup() { string_storage_init(); }
} string_storage_startup;

}  // namespace

void string_storage_init() {
  if (storage_ready) return;
  storage_ready = true;
  descriptor_pool.block = static_cast<BasicString *>(std::calloc(DESCRIPTOR_BLOCK_COUNT, sizeof(BasicString)));
  descriptor_pool.block_used = 0;
  descriptor_pool.block_count = 1;
  descriptor_pool.free_capacity = DESCRIPTOR_BLOCK_COUNT;
  descriptor_pool.free_stack = static_cast<BasicString **>(std::malloc(DESCRIPTOR_BLOCK_COUNT * sizeof(BasicString *)));
  descriptor_pool.free_count = 0;

  string_heap.base = static_cast<uint8_t *>(std::malloc(STRING_HEAP_INITIAL_SIZE));
  string_heap.size = STRING_HEAP_INITIAL_SIZE;
  string_heap.fill = 0;
  bool lists = list_init(string_heap.list) && list_init(low_pool.list);

  temp_list.entries = static_cast<BasicString **>(std::calloc(size_t(LIST_INITIAL_CAPACITY) + 1, sizeof(BasicString *)));
  temp_list.count = 1;
  temp_list.capacity = LIST_INITIAL_CAPACITY;

  // The low pool stays unusable (no room) until strings_startup places it.
  low_pool.segment = nullptr;
  low_pool.fill = LOW_POOL_START;
  low_pool.descriptor_top = LOW_POOL_START;
  low_pool.free_slots = nullptr;
  low_pool.free_slot_count = 0;
  low_pool.free_slot_capacity = 0;

  if (descriptor_pool.block == nullptr || descriptor_pool.free_stack == nullptr) string_critical(ERR_CRITICAL_DESCRIPTOR_STACK);
  if (string_heap.base == nullptr) string_critical(ERR_CRITICAL_HEAP);
  if (!lists) string_critical(ERR_CRITICAL_HEAP_LIST);
  if (temp_list.entries == nullptr) string_critical(ERR_CRITICAL_TEMP_LIST);
}

void strings_startup() {
  string_storage_init();
  if (blank_string != nullptr) return;
  low_pool.segment = real_memory + LOW_SEGMENT_OFFSET;
  low_pool.fill = LOW_POOL_START;
  low_pool.descriptor_top = LOW_DESCRIPTOR_TOP_STARTUP;
  blank_string = bstr_new_low(0, 0);
  space_string = bstr_new_low(1, 0);
  space_string->data[0] = ' ';
}

// ---- descriptors ------------------------------------------------------------------------

BasicString *descriptor_take() {
  DescriptorPool &pool = descriptor_pool;
  if (pool.free_count > 0) {
    BasicString *s = pool.free_stack[--pool.free_count];
    std::memset(static_cast<void *>(s), 0, sizeof(BasicString));
    return s;
  }
  if (pool.block_used == DESCRIPTOR_BLOCK_COUNT) {
    // The old block is not returned: descriptor pointers stay valid for the whole run.
    BasicString *block = static_cast<BasicString *>(std::calloc(DESCRIPTOR_BLOCK_COUNT, sizeof(BasicString)));
    if (block == nullptr) string_critical(ERR_CRITICAL_DESCRIPTOR_STACK);
    pool.block = block;
    pool.block_used = 0;
    pool.block_count++;
  }
  return &pool.block[pool.block_used++];
}

void descriptor_give_back(BasicString *s) {
  DescriptorPool &pool = descriptor_pool;
  if (pool.free_count == pool.free_capacity) {
    uint64_t capacity = uint64_t(pool.free_capacity) * 2;
    if (capacity > UINT32_MAX) string_critical(ERR_CRITICAL_DESCRIPTOR_STACK);
    void *grown = std::realloc(pool.free_stack, size_t(capacity) * sizeof(BasicString *));
    if (grown == nullptr) string_critical(ERR_CRITICAL_DESCRIPTOR_STACK);
    pool.free_stack = static_cast<BasicString **>(grown);
    pool.free_capacity = uint32_t(capacity);
  }
  pool.free_stack[pool.free_count++] = s;
}

// ---- lists ------------------------------------------------------------------------------

void heap_list_append(BasicString *s) { list_append(string_heap.list, s, ERR_CRITICAL_HEAP_LIST); }

void low_list_append(BasicString *s) { list_append(low_pool.list, s, ERR_CRITICAL_LOW_LIST); }

void temp_list_append(BasicString *s) {
  TempList &list = temp_list;
  if (list.count > list.capacity) {
    uint64_t capacity = uint64_t(list.capacity) * 2;
    if (capacity >= UINT32_MAX) string_critical(ERR_CRITICAL_TEMP_LIST);
    void *grown = std::realloc(list.entries, size_t(capacity + 1) * sizeof(BasicString *));
    if (grown == nullptr) string_critical(ERR_CRITICAL_TEMP_LIST);
    list.entries = static_cast<BasicString **>(grown);
    list.capacity = uint32_t(capacity);
  }
  s->temp_index = int32_t(list.count);
  list.entries[list.count] = s;
  list.count++;
  s->temporary = 1;
}

// ---- compaction -------------------------------------------------------------------------

void heap_compact(size_t need) {
  StringHeap &heap = string_heap;
  string_stats.heap_compactions++;
  uint8_t *write = heap.base;
  heap.fill = 0;
  for (int32_t i = 0; i < heap.list.count; i++) {
    BasicString *s = heap.list.entries[i];
    if (s == FREED_ENTRY) continue;
    // Small gaps stay: moving a string to win 32 bytes or less is not worth the copy.
    if (s->data - write > STRING_SLACK) {
      if (s->length > 0) std::memmove(write, s->data, size_t(s->length));
      s->data = write;
    }
    write = s->data + s->length;
    heap.fill = size_t(write - heap.base);
  }
  if (heap.fill * 2 + need + STRING_SLACK >= heap.size) {
    string_stats.heap_growths++;
    size_t size = heap.size * 2 + need;
    if (size < heap.size) string_critical(ERR_CRITICAL_HEAP);
    uint8_t *old_base = heap.base;
    // Offsets survive the move; the old addresses are dead once realloc returns.
    for (int32_t i = 0; i < heap.list.count; i++) {
      BasicString *s = heap.list.entries[i];
      if (s != FREED_ENTRY) s->data = reinterpret_cast<uint8_t *>(s->data - old_base);
    }
    void *grown = std::realloc(heap.base, size);
    if (grown == nullptr) string_critical(ERR_CRITICAL_HEAP);
    heap.base = static_cast<uint8_t *>(grown);
    heap.size = size;
    for (int32_t i = 0; i < heap.list.count; i++) {
      BasicString *s = heap.list.entries[i];
      if (s != FREED_ENTRY) s->data = heap.base + reinterpret_cast<uintptr_t>(s->data);
    }
  }
}

void low_compact(int32_t need) {
  LowStringPool &pool = low_pool;
  string_stats.low_compactions++;
  int32_t write = LOW_POOL_START;
  pool.fill = LOW_POOL_START;
  for (int32_t i = 0; i < pool.list.count; i++) {
    BasicString *s = pool.list.entries[i];
    if (s == FREED_ENTRY) continue;
    uint8_t *target = pool.segment + write;
    if (s->data != target) {
      if (s->length > 0) std::memmove(target, s->data, size_t(s->length));
      s->data = target;
      if (s->low_descriptor != nullptr) low_descriptor_write(s);
    }
    write += s->length;
    pool.fill = write;
  }
  if (int64_t(pool.fill) + need > pool.descriptor_top) string_critical(ERR_CRITICAL_LOW_POOL);
}

// ---- 4-byte low-memory descriptors ------------------------------------------------------

void low_descriptor_attach(BasicString *s, int32_t error_code) {
  LowStringPool &pool = low_pool;
  int32_t offset;
  if (pool.free_slot_count > 0) {
    // Released descriptors are reused, so freeing and re-making strings does not wear the
    // pool down.
    offset = pool.free_slots[--pool.free_slot_count];
  } else {
    // Freed strings' bytes may still sit below the top: take them back before giving up.
    if (pool.descriptor_top - 4 < pool.fill) low_compact(0);
    if (pool.descriptor_top - 4 < pool.fill) string_critical(error_code);
    pool.descriptor_top -= 4;
    offset = pool.descriptor_top;
  }
  s->low_descriptor = pool.segment + offset;
  s->low_descriptor_offset = offset;
  low_descriptor_write(s);
}

void low_descriptor_write(BasicString *s) {
  uint8_t *d = s->low_descriptor;
  uint32_t length = uint32_t(s->length);
  uint32_t offset = s->data != nullptr ? uint32_t(s->data - low_pool.segment) : 0;
  d[0] = uint8_t(length);
  d[1] = uint8_t(length >> 8);
  d[2] = uint8_t(offset);
  d[3] = uint8_t(offset >> 8);
}

void low_descriptor_release(BasicString *s) {
  LowStringPool &pool = low_pool;
  if (s->low_descriptor == nullptr) return;
  std::memset(s->low_descriptor, 0, 4);
  if (s->low_descriptor_offset == pool.descriptor_top) {
    pool.descriptor_top += 4;
  } else {
    if (pool.free_slot_count == pool.free_slot_capacity) {
      int32_t capacity = pool.free_slot_capacity == 0 ? 64 : pool.free_slot_capacity * 2;
      void *grown = std::realloc(pool.free_slots, size_t(capacity) * sizeof(int32_t));
      if (grown == nullptr) string_critical(ERR_CRITICAL_LOW_LIST);
      pool.free_slots = static_cast<int32_t *>(grown);
      pool.free_slot_capacity = capacity;
    }
    pool.free_slots[pool.free_slot_count++] = s->low_descriptor_offset;
  }
  s->low_descriptor = nullptr;
  s->low_descriptor_offset = 0;
}
