// The bracket around every invocation of a translated routine: what it saves on entry and
// gives back on exit (temporary-list mark, variable-storage position, low-memory
// descriptor top, and a guard record of kind 3).
#include "runtime/values/string_storage.h"
#include "runtime/values/values.h"

void rt_routine_enter(RoutineFrame *frame) {
  frame->temp_mark = bstr_temp_mark();
  if (variable_storage.block_start == nullptr) variable_storage_startup();
  frame->var_mark = variable_storage.next_free;
  frame->low_descriptor_top = low_pool.descriptor_top;
  rt_guard_open();
  frame->guard = current_guard;
  frame->guard->guard_kind = GUARD_ROUTINE;
}

void rt_routine_exit(RoutineFrame *frame) {
  rt_guard_close(frame->guard);
  rt_var_release(frame->var_mark);
  // The routine's low-memory descriptors lay below the saved top. Its local strings are
  // freed by now; slots they released below the top must not be handed out again, or a
  // later string would share a slot with one placed at the restored top.
  LowStringPool &low = low_pool;
  if (frame->low_descriptor_top > low.descriptor_top) {
    int32_t kept = 0;
    for (int32_t i = 0; i < low.free_slot_count; i++)
      if (low.free_slots[i] >= frame->low_descriptor_top) low.free_slots[kept++] = low.free_slots[i];
    low.free_slot_count = kept;
    low.descriptor_top = frame->low_descriptor_top;
  }
}
