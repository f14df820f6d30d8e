// A shadow model of the runtime string storage: drives random mixes of string operations
// (create in every pool, assign, concatenate, free, free temporaries, take-over, growth,
// in-place trimming) and checks after each one that the storage still agrees with plain
// std::string copies. Used by the randomised string test and by the string fuzz target.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/values/values.h"

class StringModel {
 public:
  // `pick(bound)` returns a choice in 0..bound-1 (a seeded generator, or fuzzer bytes).
  explicit StringModel(std::function<uint32_t(uint32_t)> pick);
  ~StringModel();

  // Runs one randomly chosen operation; returns a short name of what ran ("fault" when a
  // result disagreed with the model; check() then reports it).
  const char *step();
  // Checks the storage and every live string against the model; false with a reason.
  // `deep` also walks the descriptor free stack (long after heavy use) for live descriptors.
  bool check(std::string *why, bool deep = true);
  // Frees every string the model owns (permanents and temporaries).
  void clear();

  size_t live_count() const { return entries_.size(); }

 private:
  enum Kind { KIND_HEAP, KIND_LOW, KIND_FIXED, KIND_READ_ONLY };
  struct Entry {
    BasicString *s;
    std::string bytes;
    Kind kind;
    bool temporary;
    std::unique_ptr<uint8_t[]> buffer;  // a fixed-length string's own memory
    int segment_slot;                   // a fixed-length string's slot in the data segment
  };

  const char *fail(const char *what);
  uint32_t length_choice();
  void fill_random(BasicString *s, std::string *bytes);
  int pick_entry(bool want_temporary, bool any);
  void forget(int index);
  void forget_pointer(BasicString *s);
  int find(BasicString *s) const;
  void add_entry(BasicString *s, std::string bytes, Kind kind, bool temporary);

  const char *op_new_heap(bool temporary, bool big);
  const char *op_new_low(bool temporary);
  const char *op_new_fixed(bool temporary);
  const char *op_from_text();
  const char *op_set();
  const char *op_add();
  const char *op_free();
  const char *op_free_temporaries();
  const char *op_make_temporary();
  const char *op_trim_in_place();
  const char *op_compare();

  std::function<uint32_t(uint32_t)> pick_;
  std::vector<Entry> entries_;
  std::string fault_;
  std::vector<uint32_t> marks_;        // saved temporary-list marks (nested routines)
  bool segment_slots_[8] = {};
  static int32_t low_descriptors_in_use();
  int32_t low_baseline_;               // live low strings not owned by the model
  int32_t low_descriptor_baseline_;    // 4-byte descriptors of strings not owned by the model
  uint64_t heap_events_seen_ = ~0ull;  // compactions + growths at the last full byte check
};
