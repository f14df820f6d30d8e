// Storage of the program's numeric variables, array descriptors and array elements: a
// bump allocator whose blocks are never returned, so every cell stays valid for the run.
#include <cstdlib>

#include "runtime/errors/errors.h"
#include "runtime/platform/platform.h"
#include "runtime/values/values.h"

VariableStorage variable_storage = {nullptr, nullptr, nullptr, VARIABLE_BLOCK_SIZE};

void variable_storage_startup() {
  if (variable_storage.block_start != nullptr) return;  // the first block exists already
  uint8_t *block = static_cast<uint8_t *>(std::malloc(VARIABLE_BLOCK_SIZE));
  if (block == nullptr) {
    rt_error(ERR_CRITICAL_VARIABLE_STORAGE);
    platform_exit(0);  // the critical error ends the process; never go on without a block
  }
  variable_storage.block_start = block;
  variable_storage.next_free = block;
  variable_storage.block_end = block + VARIABLE_BLOCK_SIZE;
  variable_storage.block_size = VARIABLE_BLOCK_SIZE;
}

void *rt_var_alloc(uint32_t n) {
  VariableStorage &vs = variable_storage;
  if (vs.block_start == nullptr) variable_storage_startup();
  // The new position must stay strictly below the block end.
  if (static_cast<size_t>(vs.block_end - vs.next_free) > n) {
    uint8_t *cell = vs.next_free;
    vs.next_free += n;
    return cell;
  }
  // Abandon the rest of this block and take one more than twice as large.
  const uint64_t size = uint64_t{vs.block_size} * 2 + n;
  uint8_t *block = size <= UINT32_MAX ? static_cast<uint8_t *>(std::malloc(size)) : nullptr;
  if (block == nullptr) {
    rt_error(ERR_CRITICAL_VARIABLE_STORAGE);
    platform_exit(0);
  }
  vs.block_size = static_cast<uint32_t>(size);
  vs.block_start = block;
  vs.next_free = block + n;
  vs.block_end = block + size;
  return block;
}

void rt_var_release(void *mark) {
  VariableStorage &vs = variable_storage;
  uint8_t *m = static_cast<uint8_t *>(mark);
  // A mark saved in an older block cannot be returned to: the block was abandoned.
  if (m >= vs.block_start && m <= vs.block_end)
    vs.next_free = m;
  else
    vs.next_free = vs.block_start;
}

uint32_t rt_check_index(uint32_t offset, uint32_t count) {
  if (offset < count) return offset;
  rt_error(ERR_SUBSCRIPT_OUT_OF_RANGE);
  return 0;
}
