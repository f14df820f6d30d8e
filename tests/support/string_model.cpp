#include "tests/support/string_model.h"

#include <algorithm>
#include <cstring>

#include "runtime/frame/frame.h"
#include "runtime/values/string_storage.h"

namespace {

// Program text that read-only temporaries point into.
const uint8_t *literal_text() {
  static uint8_t text[4096];
  static bool made = false;
  if (!made) {
    for (size_t i = 0; i < sizeof text; i++) text[i] = uint8_t(i * 131 + (i >> 7) * 17);
    made = true;
  }
  return text;
}

constexpr int SEGMENT_SLOT_SIZE = 32;  // fixed strings in the data segment use offsets 0..255
constexpr size_t BIG_STRING_LIMIT = 4096;  // a "big" string for the creation limits
constexpr size_t FULL_COMPARE_LIMIT = 1024;  // longer ones: ends and windows between deep checks
constexpr size_t MAX_LIVE = 400;

uint8_t *segment() { return real_memory + LOW_SEGMENT_OFFSET; }

int live_entries(const StringList &list) {
  int live = 0;
  for (int32_t i = 0; i < list.count; i++)
    if (list.entries[i] != FREED_ENTRY) live++;
  return live;
}

bool same_bytes(const BasicString *s, const std::string &bytes, bool full) {
  if (size_t(s->length) != bytes.size()) return false;
  if (bytes.empty()) return true;
  if (full || bytes.size() <= FULL_COMPARE_LIMIT) return std::memcmp(s->data, bytes.data(), bytes.size()) == 0;
  // Long strings between deep checks and heap moves: the ends and a few windows.
  size_t n = bytes.size();
  if (std::memcmp(s->data, bytes.data(), 256) != 0) return false;
  if (std::memcmp(s->data + n - 256, bytes.data() + n - 256, 256) != 0) return false;
  for (size_t k = 1; k < 16; k++) {
    size_t at = n * k / 16;
    if (at + 16 <= n && std::memcmp(s->data + at, bytes.data() + at, 16) != 0) return false;
  }
  return true;
}

}  // namespace

StringModel::StringModel(std::function<uint32_t(uint32_t)> pick) : pick_(std::move(pick)) {
  strings_startup();
  low_baseline_ = live_entries(low_pool.list);
  low_descriptor_baseline_ = low_descriptors_in_use();
}

// 4-byte descriptor slots handed out below the top and not released.
int32_t StringModel::low_descriptors_in_use() {
  return (LOW_DESCRIPTOR_TOP_STARTUP - low_pool.descriptor_top) / 4 - low_pool.free_slot_count;
}

StringModel::~StringModel() { clear(); }

uint32_t StringModel::length_choice() {
  switch (pick_(8)) {
    case 0: return 0;
    case 1: return pick_(300);
    case 2: return pick_(2000);
    default: return pick_(40);
  }
}

void StringModel::fill_random(BasicString *s, std::string *bytes) {
  bytes->resize(size_t(s->length));
  uint8_t seed = uint8_t(pick_(256));
  for (int32_t i = 0; i < s->length; i++) {
    uint8_t value = uint8_t(seed + uint8_t(i * 7) + uint8_t(i >> 8));
    s->data[i] = value;
    (*bytes)[size_t(i)] = char(value);
  }
}

void StringModel::add_entry(BasicString *s, std::string bytes, Kind kind, bool temporary) {
  Entry e;
  e.s = s;
  e.bytes = std::move(bytes);
  e.kind = kind;
  e.temporary = temporary;
  e.segment_slot = -1;
  entries_.push_back(std::move(e));
}

int StringModel::find(BasicString *s) const {
  for (size_t i = 0; i < entries_.size(); i++)
    if (entries_[i].s == s) return int(i);
  return -1;
}

// Drops an entry the runtime has already freed.
void StringModel::forget(int index) {
  Entry &e = entries_[size_t(index)];
  if (e.segment_slot >= 0) segment_slots_[e.segment_slot] = false;
  if (size_t(index) != entries_.size() - 1) entries_[size_t(index)] = std::move(entries_.back());
  entries_.pop_back();
}

void StringModel::forget_pointer(BasicString *s) {
  int index = find(s);
  if (index >= 0) forget(index);
}

// A random live entry: temporaries only, permanents only, or any.
int StringModel::pick_entry(bool want_temporary, bool any) {
  std::vector<int> candidates;
  for (size_t i = 0; i < entries_.size(); i++)
    if (any || entries_[i].temporary == want_temporary) candidates.push_back(int(i));
  if (candidates.empty()) return -1;
  return candidates[pick_(uint32_t(candidates.size()))];
}

const char *StringModel::op_new_heap(bool temporary, bool big) {
  if (entries_.size() >= MAX_LIVE) return "skip";
  size_t big_live = 0;
  for (const Entry &e : entries_) big_live += e.bytes.size() > BIG_STRING_LIMIT;
  if (big && big_live >= 4) return "skip";
  uint32_t length = big ? 50000 + pick_(400000) : length_choice();
  BasicString *s = bstr_new(length, temporary);
  std::string bytes;
  fill_random(s, &bytes);
  add_entry(s, std::move(bytes), KIND_HEAP, temporary);
  return big ? "new big" : temporary ? "new temp" : "new";
}

const char *StringModel::op_new_low(bool temporary) {
  size_t low_live = 0;
  for (const Entry &e : entries_) low_live += e.kind == KIND_LOW;
  if (entries_.size() >= MAX_LIVE || low_live >= 150) return "skip";
  BasicString *s = bstr_new_low(pick_(64), temporary);
  std::string bytes;
  fill_random(s, &bytes);
  add_entry(s, std::move(bytes), KIND_LOW, temporary);
  return temporary ? "new_low temp" : "new_low";
}

const char *StringModel::op_new_fixed(bool temporary) {
  if (entries_.size() >= MAX_LIVE) return "skip";
  int slot = -1;
  if (!temporary && pick_(2) == 0) {
    for (int i = 0; i < 8; i++)
      if (!segment_slots_[i]) {
        slot = i;
        break;
      }
  }
  uint32_t length = pick_(SEGMENT_SLOT_SIZE + 1);
  std::unique_ptr<uint8_t[]> buffer;
  uint8_t *address;
  if (slot >= 0) {
    address = segment() + slot * SEGMENT_SLOT_SIZE;
  } else {
    buffer.reset(new uint8_t[length + 1]);
    address = buffer.get();
  }
  BasicString *s = bstr_new_fixed(address, length, temporary);
  std::string bytes;
  fill_random(s, &bytes);
  add_entry(s, std::move(bytes), KIND_FIXED, temporary);
  entries_.back().buffer = std::move(buffer);
  if (slot >= 0) {
    entries_.back().segment_slot = slot;
    segment_slots_[slot] = true;
  }
  return slot >= 0 ? "new_fixed in segment" : "new_fixed";
}

const char *StringModel::op_from_text() {
  if (entries_.size() >= MAX_LIVE) return "skip";
  uint32_t start = pick_(4000);
  uint32_t length = pick_(96);
  BasicString *s = bstr_from_text(literal_text() + start, int32_t(length));
  add_entry(s, std::string(reinterpret_cast<const char *>(literal_text() + start), length), KIND_READ_ONLY, true);
  return "from_text";
}

// target = source, with a permanent target; a temporary source is consumed.
const char *StringModel::op_set() {
  int t = pick_entry(false, false);
  if (t < 0) return "skip";
  int src = pick_(4) == 0 ? pick_entry(false, false) : pick_entry(true, false);
  if (src < 0) return "skip";
  Entry &target = entries_[size_t(t)];
  if (target.kind == KIND_READ_ONLY) return "skip";
  // The low pool is 64 KiB: keep its strings short.
  if (target.kind == KIND_LOW && entries_[size_t(src)].bytes.size() > 128) return "skip";
  BasicString *source = entries_[size_t(src)].s;
  std::string value = entries_[size_t(src)].bytes;
  bool consumed = entries_[size_t(src)].temporary && src != t;
  BasicString *result = bstr_set(target.s, source);
  if (result != target.s) return fail("set returned another string");
  if (target.kind == KIND_FIXED) {
    value.resize(target.bytes.size(), ' ');
  }
  target.bytes = value;
  if (consumed) forget(src);
  return "set";
}

// Concatenation, then (mostly) assignment of the result to a permanent.
const char *StringModel::op_add() {
  int ia = pick_entry(false, true);
  int ib = pick_entry(false, true);
  if (ia < 0 || ib < 0) return "skip";
  BasicString *a = entries_[size_t(ia)].s;
  BasicString *b = entries_[size_t(ib)].s;
  std::string joined = entries_[size_t(ia)].bytes + entries_[size_t(ib)].bytes;
  bool a_temp = entries_[size_t(ia)].temporary;
  bool b_temp = entries_[size_t(ib)].temporary;
  BasicString *r = bstr_add(a, b);
  if (b->length == 0 && find(b) >= 0 && entries_[size_t(find(b))].bytes.empty()) {
    if (r != a) return fail("add with empty right operand did not return the left");
  } else if (entries_[size_t(ia)].bytes.empty()) {
    if (r != b) return fail("add with empty left operand did not return the right");
  } else {
    if (a_temp) forget_pointer(a);
    if (b_temp && b != a) forget_pointer(b);
    add_entry(r, joined, KIND_HEAP, true);
  }
  if (pick_(4) != 0) {
    int t = pick_entry(false, false);
    if (t >= 0 && entries_[size_t(t)].s != r && (entries_[size_t(t)].kind != KIND_LOW || joined.size() <= 128)) {
      Entry &target = entries_[size_t(t)];
      int ri = find(r);
      bool consumed = ri >= 0 && entries_[size_t(ri)].temporary;
      bstr_set(target.s, r);
      std::string value = joined;
      if (target.kind == KIND_FIXED) value.resize(target.bytes.size(), ' ');
      target.bytes = value;
      if (consumed) forget_pointer(r);
      return "add and set";
    }
  }
  return "add";
}

const char *StringModel::op_free() {
  int i = pick_(3) == 0 ? pick_entry(true, false) : pick_entry(false, false);
  if (i < 0) return "skip";
  bstr_free(entries_[size_t(i)].s);
  forget(i);
  return "free";
}

// Enter a routine (save a mark), or leave the innermost one (free its temporaries), or
// end a statement of the outermost level.
const char *StringModel::op_free_temporaries() {
  uint32_t choice = pick_(3);
  if (choice == 0 && marks_.size() < 8) {
    marks_.push_back(bstr_temp_mark());
    return "mark";
  }
  uint32_t mark = 1;
  if (choice == 1 && !marks_.empty()) {
    mark = marks_.back();
    marks_.pop_back();
  } else {
    marks_.clear();
  }
  uint32_t count_before = temp_list.count;
  std::vector<BasicString *> freed;
  for (const Entry &e : entries_)
    if (e.temporary && uint32_t(e.s->temp_index) >= mark) freed.push_back(e.s);
  int32_t value = int32_t(pick_(1000)) - 500;
  if (bstr_free_temporaries(mark, value) != value) return fail("free_temporaries changed the value");
  if (count_before >= mark && temp_list.count != mark) return fail("free_temporaries left the count off the mark");
  for (BasicString *s : freed) forget_pointer(s);
  return "free_temporaries";
}

const char *StringModel::op_make_temporary() {
  int i = pick_entry(false, false);
  if (i < 0) return "skip";
  if (bstr_make_temporary(entries_[size_t(i)].s) != entries_[size_t(i)].s) return fail("make_temporary returned another");
  entries_[size_t(i)].temporary = true;
  return "make_temporary";
}

// What LTRIM$/RIGHT$/MID$ do to a modifiable temporary: move data forward, shorten.
const char *StringModel::op_trim_in_place() {
  std::vector<int> candidates;
  for (size_t i = 0; i < entries_.size(); i++) {
    const BasicString *s = entries_[i].s;
    if (s->temporary && !s->fixed_length && !s->read_only && !s->in_low_memory && s->length > 0)
      candidates.push_back(int(i));
  }
  if (candidates.empty()) return "skip";
  Entry &e = entries_[size_t(candidates[pick_(uint32_t(candidates.size()))])];
  uint32_t front = pick_(uint32_t(e.s->length) + 1);
  uint32_t back = pick_(uint32_t(e.s->length) - front + 1);
  e.s->data += front;
  e.s->length -= int32_t(front + back);
  e.bytes = e.bytes.substr(front, e.bytes.size() - front - back);
  return "trim in place";
}

const char *StringModel::op_compare() {
  int ia = pick_entry(false, true);
  int ib = pick_entry(false, true);
  if (ia < 0 || ib < 0) return "skip";
  const std::string &x = entries_[size_t(ia)].bytes;
  const std::string &y = entries_[size_t(ib)].bytes;
  int order = x.compare(y);  // std::string compares char_traits<char>, i.e. unsigned bytes
  BasicString *a = entries_[size_t(ia)].s;
  BasicString *b = entries_[size_t(ib)].s;
  auto truth = [](bool v) { return v ? -1 : 0; };
  if (bstr_equal(a, b) != truth(order == 0) || bstr_not_equal(a, b) != truth(order != 0) ||
      bstr_less(a, b) != truth(order < 0) || bstr_greater(a, b) != truth(order > 0) ||
      bstr_less_equal(a, b) != truth(order <= 0) || bstr_greater_equal(a, b) != truth(order >= 0))
    return fail("comparison disagrees with the model");
  return "compare";
}

const char *StringModel::step() {
  switch (pick_(40)) {
    case 0: case 1: case 2: return op_new_heap(false, false);
    case 3: case 4: case 5: case 6: return op_new_heap(true, false);
    case 7: case 8: return op_new_low(false);
    case 9: return op_new_low(true);
    case 10: return op_new_fixed(false);
    case 11: return op_new_fixed(true);
    case 12: case 13: case 14: return op_from_text();
    case 15: case 16: case 17: case 18: case 19: case 20: return op_set();
    case 21: case 22: case 23: case 24: case 25: return op_add();
    case 26: case 27: case 28: return op_free();
    case 29: case 30: case 31: return op_free_temporaries();
    case 32: return op_make_temporary();
    case 33: case 34: return op_trim_in_place();
    case 35: case 36: return op_compare();
    case 37: return pick_(8) == 0 ? op_new_heap(pick_(2) != 0, true) : op_new_heap(false, false);
    default: return op_set();
  }
}

const char *StringModel::fail(const char *what) {
  if (fault_.empty()) fault_ = what;
  return "fault";
}

bool StringModel::check(std::string *why, bool deep) {
  if (!fault_.empty()) {
    *why = fault_;
    return false;
  }
  char reason[256];
  StorageCounts counts;
  if (!string_storage_check(reason, sizeof reason, &counts)) {
    *why = reason;
    return false;
  }
  uint64_t heap_events = string_stats.heap_compactions + string_stats.heap_growths;
  bool full = deep || heap_events != heap_events_seen_;
  heap_events_seen_ = heap_events;
  int heap_strings = 0, low_strings = 0, temporaries = 0, low_descriptors = 0;
  std::vector<const BasicString *> seen;
  seen.reserve(entries_.size());
  for (const Entry &e : entries_) seen.push_back(e.s);
  std::sort(seen.begin(), seen.end());
  if (std::adjacent_find(seen.begin(), seen.end()) != seen.end()) {
    *why = "one descriptor held twice";
    return false;
  }
  for (const Entry &e : entries_) {
    const BasicString *s = e.s;
    if (!same_bytes(s, e.bytes, full)) {
      *why = "bytes of a live string changed (length " + std::to_string(s->length) + ", model " +
             std::to_string(e.bytes.size()) + ")";
      return false;
    }
    if ((s->temporary != 0) != e.temporary || (s->in_low_memory != 0) != (e.kind == KIND_LOW) ||
        (s->fixed_length != 0) != (e.kind == KIND_FIXED) || (s->read_only != 0) != (e.kind == KIND_READ_ONLY)) {
      *why = "flags of a live string disagree with the model";
      return false;
    }
    if (e.temporary && (s->temp_index == 0 || temp_list.entries[s->temp_index] != s)) {
      *why = "a live temporary is not on the temporary list";
      return false;
    }
    bool wants_descriptor = (e.kind == KIND_LOW && !e.temporary) || e.segment_slot >= 0;
    if (wants_descriptor && s->low_descriptor == nullptr) {
      *why = "a permanent string in the data segment has no 4-byte descriptor";
      return false;
    }
    if (!wants_descriptor && e.kind != KIND_LOW && s->low_descriptor != nullptr) {
      *why = "a string outside the data segment has a 4-byte descriptor";
      return false;
    }
    if (!string_low_descriptor_check(s, reason, sizeof reason)) {
      *why = reason;
      return false;
    }
    low_descriptors += s->low_descriptor != nullptr;
    heap_strings += e.kind == KIND_HEAP;
    low_strings += e.kind == KIND_LOW;
    temporaries += e.temporary;
  }
  if (counts.heap_strings != heap_strings) {
    *why = "heap list holds " + std::to_string(counts.heap_strings) + " strings, model " + std::to_string(heap_strings);
    return false;
  }
  if (counts.low_strings != low_strings + low_baseline_) {
    *why = "low list holds a different number of strings than the model";
    return false;
  }
  if (low_descriptors_in_use() != low_descriptors + low_descriptor_baseline_) {
    *why = "4-byte descriptor slots in use: " + std::to_string(low_descriptors_in_use()) + ", live strings with one: " +
           std::to_string(low_descriptors + low_descriptor_baseline_);
    return false;
  }
  if (counts.temporaries != temporaries) {
    *why = "temporary list holds " + std::to_string(counts.temporaries) + " strings, model " + std::to_string(temporaries);
    return false;
  }
if (deep)
    for (uint32_t i = 0; i < descriptor_pool.free_count; i++)
      if (std::binary_search(seen.begin(), seen.end(), descriptor_pool.free_stack[i])) {
        *why = "a live descriptor sits on the free stack";
        return false;
      }
  return true;
}

void StringModel::clear() {
  for (Entry &e : entries_)
    if (!e.temporary) bstr_free(e.s);
  bstr_free_temporaries(1, 0);
  entries_.clear();
  marks_.clear();
  for (bool &slot : segment_slots_) slot = false;
}
