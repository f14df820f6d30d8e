// Strings and numbers: the runtime string and its storage, string functions, number and
// text conversions, PRINT USING, variable storage and the return-point stack.
#pragma once
#include <cstdint>
#include <string>

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
// Program thread only. New strings have uninitialised bytes for the caller to fill; a
// `temporary` string goes on the temporary list until consumed or freed by
// bstr_free_temporaries. bstr_set and bstr_add consume temporary arguments (bstr_add
// returns an operand itself when the other is empty); comparisons consume nothing and
// return -1 or 0. Exhausted pools are critical errors 508-515 (the process ends).
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

// ---- string functions and statements ----------------------------------------------------
// Each returns a temporary or its own argument. A string that is temporary and neither
// fixed-length, read-only nor in low memory is changed in place; a function that builds a
// new result from a temporary argument frees that argument. While an error is pending the
// functions return an empty temporary (or 0) and the statements do nothing.
BasicString *rt_ucase(BasicString *s);
BasicString *rt_lcase(BasicString *s);
BasicString *rt_ltrim(BasicString *s);
BasicString *rt_rtrim(BasicString *s);
BasicString *rt_left(BasicString *s, int32_t n);
BasicString *rt_right(BasicString *s, int32_t n);
BasicString *rt_mid(BasicString *s, int32_t start, int32_t n, int32_t n_passed);
BasicString *rt_space(int32_t n);
BasicString *rt_string_fill(int32_t n, int32_t code);  // STRING$(n, code)
BasicString *rt_chr(int32_t code);
// Numeric string functions never free their arguments.
int32_t rt_instr(int32_t start, BasicString *s, BasicString *find, int32_t start_passed);
int32_t rt_asc(BasicString *s);
int32_t rt_asc_at(BasicString *s, int32_t pos);
int32_t rt_len(BasicString *s);
// LSET, RSET and the MID$ statement change the target's bytes, never its length.
void rt_lset(BasicString *target, BasicString *source);
void rt_rset(BasicString *target, BasicString *source);
void rt_mid_set(BasicString *target, int32_t start, int32_t n, BasicString *source,
                int32_t n_passed);

// ---- byte images of numbers (MKI$/CVI and relatives) -------------------------------------
// rt_mk_* return a temporary holding the value's little-endian bytes; rt_cv_* read the
// first bytes of s (error 5 and 0 when s is too short) and return the raw bits, which the
// generated code converts to the signed or unsigned target type.
BasicString *rt_mk_byte(uint8_t v);                  // 1 byte
BasicString *rt_mk_integer(uint16_t v);              // MKI$, 2 bytes
BasicString *rt_mk_long(uint32_t v);                 // MKL$, 4 bytes
BasicString *rt_mk_integer64(uint64_t v);            // 8 bytes
BasicString *rt_mk_single(float v);                  // MKS$, 4 bytes
BasicString *rt_mk_double(double v);                 // MKD$, 8 bytes
BasicString *rt_mk_float(long double v);             // 32 bytes: the 80-bit value, then zeros
BasicString *rt_mk_bit(uint64_t v, int32_t bits);    // (bits + 7) / 8 bytes, bits 1..63
uint8_t rt_cv_byte(BasicString *s);
uint16_t rt_cv_integer(BasicString *s);              // CVI
uint32_t rt_cv_long(BasicString *s);                 // CVL
uint64_t rt_cv_integer64(BasicString *s);
float rt_cv_single(BasicString *s);                  // CVS
double rt_cv_double(BasicString *s);                 // CVD
long double rt_cv_float(BasicString *s);             // needs 32 bytes
int64_t rt_cv_bit(BasicString *s, int32_t bits);     // signed: bit (bits - 1) extended
uint64_t rt_cv_ubit(BasicString *s, int32_t bits);   // unsigned: masked to bits
// Microsoft Binary Format of older DOS BASIC files.
BasicString *rt_mksmbf(float v);    // MKSMBF$
float rt_cvsmbf(BasicString *s);    // CVSMBF
BasicString *rt_mkdmbf(double v);   // MKDMBF$
double rt_cvdmbf(BasicString *s);   // CVDMBF

// ---- variable storage, return points, subscripts, guard records --------------------------
// Numeric variables, array descriptors and element storage: a bump allocator over one
// current block. Blocks are never returned; cells stay valid for the whole run and are not
// zeroed here.
constexpr uint32_t VARIABLE_BLOCK_SIZE = 1048576;
struct VariableStorage {
  uint8_t *block_start;
  uint8_t *next_free;
  uint8_t *block_end;
  uint32_t block_size;
};
extern VariableStorage variable_storage;
// Start-up step: obtains the first block of procedure-local storage.
void variable_storage_startup();
void *rt_var_alloc(uint32_t n);
// Makes mark the next free position when it lies in the current block, else the block start.
void rt_var_release(void *mark);

// GOSUB return points. Generated GOSUB stores entries[count], increments count and calls
// rt_return_stack_grow when count has reached capacity (or simply calls rt_gosub).
constexpr int32_t RETURN_STACK_INITIAL_CAPACITY = 16384;
struct ReturnStack {
  uint32_t *entries;
  int32_t count;      // current GOSUB depth
  int32_t capacity;
};
extern ReturnStack return_stack;
void rt_return_stack_grow();                 // doubles; critical error 256 when it cannot
void rt_gosub(uint32_t return_point);        // push (and grow)
// RETURN: pops and returns the return point; raises error 3 and returns 0 when the stack is
// empty or the popped number is not one of the routine's points (1..highest_point).
uint32_t rt_return(uint32_t highest_point);
void return_stack_reset();                   // the program-state reset: depth 0

// Array subscript check: offset (index - lower bound, as unsigned) when below count,
// otherwise error 9 and 0.
uint32_t rt_check_index(uint32_t offset, uint32_t count);

// Guard records bracket every routine invocation and every array; memory blocks compare
// their saved id with guard_id to recognise freed memory.
enum GuardKind : int32_t {
  GUARD_OWNED_MEMORY = 1,  // guard_memory (from malloc) is freed on close
  GUARD_IMAGE = 2,
  GUARD_ROUTINE = 3,
  GUARD_ARRAY = 4,
};
struct GuardRecord {
  uint64_t guard_id;       // 0 once closed
  int32_t guard_kind;
  void *guard_memory;
};
constexpr uint64_t GUARD_ID_START = 1073741823;  // the first record gets this + 1
extern GuardRecord *current_guard;               // the record opened last
uint64_t rt_guard_open();   // kind 0, no memory; the caller sets the kind
void rt_guard_close(GuardRecord *record);

// The routine bracket of every translated routine (main module, SUB, FUNCTION):
//   RoutineFrame f; rt_routine_enter(&f); ... locals ...
//   free the local strings; rt_routine_exit(&f);
// A string FUNCTION then passes its result through bstr_make_temporary.
struct RoutineFrame {
  uint32_t temp_mark;          // temporary-list count on entry
  uint8_t *var_mark;           // variable-storage position on entry
  int32_t low_descriptor_top;  // low-memory descriptor top on entry
  GuardRecord *guard;          // the invocation's guard (kind 3)
};
void rt_routine_enter(RoutineFrame *frame);
void rt_routine_exit(RoutineFrame *frame);

// One-dimensional arrays, laid out in variable storage. A string array's elements are
// BasicString pointers (8 bytes each), each a permanent string that starts empty; numeric
// elements start at 0. The element storage is bracketed by a guard record of kind 4.
enum ArrayFlags : uint32_t {
  ARRAY_DIMENSIONED = 1,
  ARRAY_STATIC = 2,  // on reset its strings are emptied instead of freed
};
struct ArrayDescriptor {
  uint8_t *elements;
  uint32_t flags;
  int32_t lower_bound;
  uint32_t element_count;
  uint32_t element_step;  // bytes from one element to the next
  GuardRecord *guard;
};
// DIM a(lower TO upper): element_size bytes per element (ignored for strings). Bounds in
// the wrong order raise error 9 and give an array of no elements whose (unchecked) first
// element is still a harmless cell.
ArrayDescriptor *rt_dim(int32_t lower, int32_t upper, uint32_t element_size, int32_t is_string,
                        uint32_t flags);
// Address of a(index), checked with rt_check_index (error 9 gives the first element).
void *rt_array_element(ArrayDescriptor *array, int32_t index);
// String element a(index).
BasicString *rt_string_element(ArrayDescriptor *array, int32_t index);

// ---- number and text conversions ---------------------------------------------------------
// STR$: a non-negative value gets a leading space, a negative one a leading "-". While an
// error is pending the string functions here return an empty temporary and VAL, LOG and
// EXP return 0.
BasicString *rt_str_byte(int8_t v);
BasicString *rt_str_integer(int16_t v);
BasicString *rt_str_long(int32_t v);
BasicString *rt_str_int64(int64_t v);
BasicString *rt_str_ubyte(uint8_t v);
BasicString *rt_str_uinteger(uint16_t v);
BasicString *rt_str_ulong(uint32_t v);
BasicString *rt_str_uint64(uint64_t v);
BasicString *rt_str_single(float v);
BasicString *rt_str_double(double v);
BasicString *rt_str_float(long double v);  // through DOUBLE
// The STR$ texts of SINGLE and DOUBLE written into out (room for STR_TEXT_MAX bytes, no
// terminator); return the length.
constexpr int32_t STR_TEXT_MAX = 40;
int32_t str_single_text(float v, char *out);
int32_t str_double_text(double v, char *out);
long double rt_val(BasicString *s);  // VAL; s is not consumed; error 6 on based overflow
// HEX$ with the argument type's digit count (2, 4, 8, 16), OCT$ with its bit count (8, 16,
// 32, 64); negative values are written in two's complement over that width.
BasicString *rt_hex(int64_t v, int32_t digits);
BasicString *rt_oct(int64_t v, int32_t bits);
BasicString *rt_hex_float(long double v);  // error 6 and "" from 2^63 in magnitude
BasicString *rt_oct_float(long double v);
// Conversions to integers on the x87 unit: ties go to the even neighbour; out-of-range
// values give the integer-indefinite value (the lowest integer of the width).
int32_t rt_round_single(float v);
int32_t rt_round_double(double v);
int64_t rt_round_float(long double v);
long double rt_fix_double(double v);        // FIX: towards zero
long double rt_fix_float(long double v);
long double rt_log(double v);               // error 5 and 0 for v <= 0
long double rt_exp_single(double v);        // error 6 and 0 above 88.02969
long double rt_exp_double(long double v);   // error 6 and 0 above 709.782712893
// RND and RANDOMIZE over a 24-bit state.
constexpr uint32_t RND_INITIAL_STATE = 0x50000;
extern uint32_t rnd_state;
float rt_rnd(float x, int32_t x_passed);
enum RandomizeMode : int32_t { RANDOMIZE_ASK = 0, RANDOMIZE_SEED = 1, RANDOMIZE_USING = 3 };
void rt_randomize(double seed, int32_t mode);

// ---- PRINT USING ---------------------------------------------------------------------------
// A number as PRINT USING sees it: magnitude = digits x 10^power (digits '0'..'9').
constexpr int32_t USING_MAX_DIGITS = 1024;
struct UsingNumber {
  uint8_t digits[USING_MAX_DIGITS + 1];  // one spare for a rounding carry
  int32_t count;
  int32_t power;
  uint8_t negative;
  uint8_t exponent_letter;  // 'E' SINGLE and integers, 'D' DOUBLE, 'F' extended
};
// Digit forms; return 0, or 5 when the host's text has an unexpected shape (INF, NAN).
int32_t using_number_single(float v, UsingNumber *n);
int32_t using_number_double(double v, UsingNumber *n);
int32_t using_number_float(long double v, UsingNumber *n);
int32_t using_number_int64(int64_t v, UsingNumber *n);
int32_t using_number_uint64(uint64_t v, UsingNumber *n);
// The formatter as a pure function: one value (number, text bytes, or neither when both
// are null) through the format from start; appends bytes to out. next is the position of
// the next value's field or 0; error is 0, 5 or 13.
struct UsingResult {
  int32_t next;
  int32_t error;
};
UsingResult using_format(const uint8_t *format, int32_t format_length, int32_t start,
                         const UsingNumber *number, const uint8_t *text, int32_t text_length,
                         std::string *out);
// Entry points of the generated code: append to output, return the next position or 0.
int32_t rt_print_using(BasicString *format, int32_t start, BasicString *output,
                       BasicString *value);  // value null: none
int32_t rt_print_using_single(BasicString *format, float v, int32_t start, BasicString *output);
int32_t rt_print_using_double(BasicString *format, double v, int32_t start, BasicString *output);
int32_t rt_print_using_float(BasicString *format, long double v, int32_t start,
                             BasicString *output);
int32_t rt_print_using_int64(BasicString *format, int64_t v, int32_t start, BasicString *output);
int32_t rt_print_using_uint64(BasicString *format, uint64_t v, int32_t start,
                              BasicString *output);
// The statement PRINT USING format; v1; v2 ...:
//   PrintUsingStatement u; rt_print_using_begin(&u, format);
//   if (!pending_error) u.position = rt_print_using_single(u.format, v1, u.position, u.output);
//   ... one line per value ...
//   rt_print_using_end(&u, newline);   // newline 0 when the statement ends with ";"
// then the statement's temporaries are freed as after every statement.
struct PrintUsingStatement {
  BasicString *format;  // permanent copy of the format
  BasicString *output;  // permanent, starts empty
  int32_t position;
};
void rt_print_using_begin(PrintUsingStatement *u, BasicString *format);
void rt_print_using_end(PrintUsingStatement *u, int32_t newline);
