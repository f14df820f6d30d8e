// Strings and numbers: the runtime string and its storage, string functions, number and
// text conversions, PRINT USING, variable storage and the return-point stack.
#pragma once
#include <cstdint>

struct FieldBinding;  // the file layer's FIELD binding record

// One BASIC string value: a descriptor over a run of bytes (any byte, no terminator).
struct BasicString {
  uint8_t *data;                  // first byte; null only while length is 0
  int32_t length;
  uint8_t in_low_memory;          // bytes lie in the low string pool
  uint8_t *low_descriptor;        // the string's 4-byte low-memory descriptor, or null
  int32_t low_descriptor_offset;  // segment offset of that descriptor
  int32_t list_index;             // position in the string list of its pool
  uint8_t temporary;
  int32_t temp_index;             // position in the temporary list; 0 = not listed
  uint8_t fixed_length;           // bytes belong to a variable or record field
  uint8_t read_only;              // bytes belong to program text
  FieldBinding *field_binding;
};

// ---- runtime string core ---------------------------------------------------------------
BasicString *bstr_new(uint32_t length, int temporary);
BasicString *bstr_new_low(uint32_t length, int temporary);
BasicString *bstr_new_fixed(uint8_t *address, uint32_t length, int temporary);
BasicString *bstr_from_cstr(const char *text);
BasicString *bstr_from_text(const void *text, int32_t length);
BasicString *bstr_make_temporary(BasicString *s);
BasicString *bstr_set(BasicString *target, BasicString *source);
BasicString *bstr_add(BasicString *a, BasicString *b);
void bstr_free(BasicString *s);
int32_t bstr_free_temporaries(uint32_t mark, int32_t value);
uint32_t bstr_temp_mark();  // the temporary-list count a routine saves on entry
int32_t bstr_equal(BasicString *a, BasicString *b);
int32_t bstr_not_equal(BasicString *a, BasicString *b);
int32_t bstr_less(BasicString *a, BasicString *b);
int32_t bstr_greater(BasicString *a, BasicString *b);
int32_t bstr_less_equal(BasicString *a, BasicString *b);
int32_t bstr_greater_equal(BasicString *a, BasicString *b);

// Shared strings made at start-up in the low pool: "" and " ".
extern BasicString *blank_string;
extern BasicString *space_string;

// Start-up step: places the low string pool in the emulated memory and creates the
// shared strings.
void strings_startup();
