// Storage behind the runtime string: the descriptor pool, the string heap, the low string
// pool inside the default data segment, and the temporary list. Internal to the string
// code; the rest of the runtime uses the bstr_ operations of values.h. Tests and the fuzz
// target include this header to inspect the pools.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/values/values.h"

constexpr uint32_t DESCRIPTOR_BLOCK_COUNT = 65536;
constexpr size_t STRING_HEAP_INITIAL_SIZE = 1048576;
constexpr int32_t STRING_SLACK = 32;                 // spare bytes behind each new heap string
constexpr int32_t LIST_INITIAL_CAPACITY = 65535;
constexpr int32_t LOW_POOL_START = 256;              // segment offset of the first pool byte
constexpr int32_t LOW_SEGMENT_SIZE = 65536;
constexpr int32_t LOW_DESCRIPTOR_TOP_STARTUP = 65528;  // the last 8 bytes stay reserved

// Marks a released entry of a string list or of the temporary list.
inline BasicString *const FREED_ENTRY = reinterpret_cast<BasicString *>(intptr_t(-1));

// Descriptors: blocks that are never returned, plus a free stack of released ones.
struct DescriptorPool {
  BasicString *block;        // block handing out never-used descriptors
  uint32_t block_used;       // descriptors of that block already handed out
  uint32_t block_count;      // blocks obtained so far
  BasicString **free_stack;
  uint32_t free_count;
  uint32_t free_capacity;
};

// The strings of one pool in byte order. The array has room for capacity + 1 entries.
struct StringList {
  BasicString **entries;
  int32_t count;
  int32_t capacity;
};

struct StringHeap {
  uint8_t *base;
  size_t size;
  size_t fill;               // bytes in use counted from base
  StringList list;
};

// Bytes grow up from `fill`; 4-byte descriptors of permanent strings grow down from
// `descriptor_top`. Both are segment offsets.
struct LowStringPool {
  uint8_t *segment;          // start of the default data segment in the emulated memory
  int32_t fill;
  int32_t descriptor_top;
  StringList list;
  int32_t *free_slots;       // offsets of released 4-byte descriptors, reused first
  int32_t free_slot_count;
  int32_t free_slot_capacity;
};

// Entry 0 is never used, so a temp_index of 0 means "not listed".
struct TempList {
  BasicString **entries;
  uint32_t count;
  uint32_t capacity;
};

// How often the slower paths ran; tests read these to see that a path was taken.
struct StringStats {
  uint64_t heap_compactions;
  uint64_t heap_growths;
  uint64_t low_compactions;
  uint64_t list_maintenances;
  uint64_t take_overs;
  uint64_t grown_in_place;
  uint64_t relocations;
};

extern StringStats string_stats;
extern DescriptorPool descriptor_pool;
extern StringHeap string_heap;
extern LowStringPool low_pool;
extern TempList temp_list;

// Allocates the first descriptor block, the free stack, the lists and the heap. Runs during
// static start-up; calling it again does nothing.
void string_storage_init();

// Reports pool exhaustion as critical error `code`; the process ends.
[[noreturn]] void string_critical(int32_t code);

BasicString *descriptor_take();
void descriptor_give_back(BasicString *s);

// Appends s to a pool's list (running list maintenance first when the list is full).
void heap_list_append(BasicString *s);
void low_list_append(BasicString *s);
// Puts s on the temporary list and sets its temporary flag.
void temp_list_append(BasicString *s);

void heap_compact(size_t need);
void low_compact(int32_t need);

// The 4-byte low-memory descriptors: take a slot below the descriptor top (critical error
// `error_code` when it would reach the string bytes), write one, release one.
void low_descriptor_attach(BasicString *s, int32_t error_code);
void low_descriptor_write(BasicString *s);
void low_descriptor_release(BasicString *s);

// Structural check of every pool (list order equals byte order, indices, bounds, the
// 4-byte descriptors, the temporary list). Returns true when sound, and the numbers of
// live strings through `counts` if given; otherwise writes the first fault to `why` (a
// buffer of `why_size` bytes).
struct StorageCounts {
  int32_t heap_strings;
  int32_t low_strings;
  int32_t temporaries;
};
bool string_storage_check(char *why, size_t why_size, StorageCounts *counts = nullptr);
// The same check for one string's 4-byte low-memory descriptor (true when it has none).
bool string_low_descriptor_check(const BasicString *s, char *why, size_t why_size);
