// The PRINT USING statement around the formatter: the generated code opens it with a copy
// of the format and an empty output, feeds the values, and closes it, which prints what
// was built. When a value failed, the text built so far is still printed (without ending
// the line) and the error stays pending for the event check.
#include "runtime/screen/screen.h"
#include "runtime/values/conversions_internal.h"

void rt_print_using_begin(PrintUsingStatement *u, BasicString *format) {
  u->output = bstr_new(0, 0);
  u->format = bstr_new(0, 0);
  bstr_set(u->format, format);
  u->position = 0;
}

void rt_print_using_end(PrintUsingStatement *u, int32_t newline) {
  uint32_t error = pending_error.load(std::memory_order_relaxed);
  if (error != 0) {
    pending_error.store(0, std::memory_order_relaxed);
    rt_print(u->output, 0);
    pending_error.store(error, std::memory_order_relaxed);
  } else {
    rt_print(u->output, newline);
  }
  bstr_free(u->output);
  bstr_free(u->format);
  u->output = nullptr;
  u->format = nullptr;
}
