// The glue every translated statement of Hallway Breakout is written with. A statement is
// a call (or a few calls) into the runtime, followed by the same epilogue: its temporary
// strings are freed, and when an event is pending the per-statement event check runs with
// the statement's BASIC source line; a repeat request from the check runs the statement
// again. Each use names the source line and the BASIC text it stands for, so the program
// behind the calls can be read next to game/hallway.bas.
#pragma once
#include <cstdint>

#include "runtime/errors/errors.h"
#include "runtime/frame/frame.h"
#include "runtime/screen/screen.h"
#include "runtime/values/values.h"

// After a statement: the event check when an event is pending. True when the check asks
// for the statement to run again.
inline bool statement_end(int32_t line) {
  if (!rt_control.event_pending.load(std::memory_order_relaxed)) return false;
  rt_event_check(line);
  return repeat_statement == 1;
}

// A label line (target of GOSUB or GOTO): only the check, never a repeat.
inline void label_line(int32_t line) {
  if (rt_control.event_pending.load(std::memory_order_relaxed)) rt_event_check(line);
  repeat_statement = 0;
}

// True while an error is waiting for the event check.
inline bool error_pending() { return pending_error.load(std::memory_order_relaxed) != 0; }

// A numeric cell in variable storage, set to 0 (the allocator neither aligns nor clears).
// Cells take whole 16-byte steps from a 16-byte boundary, so the storage position stays
// aligned for whatever is laid out after them (array descriptors, wider cells).
template <typename T>
T *new_cell() {
  constexpr uintptr_t STEP = 16;
  const uintptr_t next = reinterpret_cast<uintptr_t>(variable_storage.next_free);
  const uint32_t pad = uint32_t((STEP - next % STEP) % STEP);
  const uint32_t size = uint32_t((sizeof(T) + STEP - 1) / STEP * STEP);
  const uintptr_t raw = reinterpret_cast<uintptr_t>(rt_var_alloc(pad + size));
  T *cell = reinterpret_cast<T *>((raw + STEP - 1) & ~(STEP - 1));
  *cell = 0;
  return cell;
}

// BASIC truth values (-1 true, 0 false) from C++ comparisons.
inline int32_t truth(bool b) { return b ? -1 : 0; }

// A string literal of the program text: a read-only temporary.
#define LIT(text) bstr_from_text(text, int32_t(sizeof(text) - 1))

// STATEMENT(line, "BASIC text", calls...): one statement with its epilogue. `routine_mark`
// is the temporary-list mark of the routine the statement stands in.
#define STATEMENT(line, basic, ...)               \
  do {                                            \
    __VA_ARGS__;                                  \
    bstr_free_temporaries(routine_mark, 0);       \
  } while (statement_end(line))

// IF_TAKEN(line, "BASIC text", condition): the condition of an IF, its temporaries freed
// with the comparison result. The THEN branch is taken when it is true or an error is
// pending; the IF's own check runs at the start of the THEN branch, and a repeat there
// evaluates the condition again. The ELSE branch has no check of its own.
#define IF_TAKEN(line, basic, condition)                                        \
  ([&]() -> bool {                                                              \
    for (;;) {                                                                  \
      int32_t value_ = bstr_free_temporaries(routine_mark, (condition) ? -1 : 0); \
      if (value_ == 0 && !error_pending()) return false;                        \
      if (!statement_end(line)) return true;                                    \
    }                                                                           \
  }())

// The head of a DO loop: the DO line's check on every pass.
#define DO_HEAD(line, basic) (void)statement_end(line)

// LOOP UNTIL condition: true when the loop goes round again (the condition is false and no
// error is pending); the condition's temporaries are freed with its result.
#define LOOP_AGAIN(line, basic, condition) \
  (bstr_free_temporaries(routine_mark, (condition) ? -1 : 0) == 0 && !error_pending())

// After a DO ... LOOP UNTIL has ended: the LOOP line's check, once.
#define LOOP_END(line, basic) (void)statement_end(line)

// The two one-line loops of the program. A discard loop throws every pending key away:
//   DO: LOOP UNTIL INKEY$ = ""
// A key wait waits for a key and drops it:
//   DO: LOOP UNTIL INKEY$ <> ""
#define DISCARD_LOOP(line)                                                      \
  do {                                                                          \
    do DO_HEAD(line, "DO");                                                     \
    while (LOOP_AGAIN(line, "LOOP UNTIL INKEY$ = \"\"",                         \
                      bstr_equal(rt_inkey(), blank_string)));                   \
    LOOP_END(line, "LOOP UNTIL INKEY$ = \"\"");                                 \
  } while (0)
#define KEY_WAIT(line)                                                          \
  do {                                                                          \
    do DO_HEAD(line, "DO");                                                     \
    while (LOOP_AGAIN(line, "LOOP UNTIL INKEY$ <> \"\"",                        \
                      bstr_not_equal(rt_inkey(), blank_string)));               \
    LOOP_END(line, "LOOP UNTIL INKEY$ <> \"\"");                                \
  } while (0)

// PRINT items. A string item first asks for a new line when it does not fit in the rest
// of the row; PRINT without a trailing semicolon then ends the line once.
inline void print_item(BasicString *text) {
  rt_print_fit(text);
  rt_print(text, 0);
}
inline void print_end_line() { rt_print(blank_string, 1); }
// PRINT "text" (ending the line) and PRINT "text"; (keeping the cursor on the row).
inline void print_line(BasicString *text) {
  print_item(text);
  print_end_line();
}

// CLS and COLOR as the program uses them.
inline void cls() { rt_cls(0, 0, 0); }
inline void color(uint32_t fore, uint32_t back) { rt_color(fore, back, 0, 3); }
