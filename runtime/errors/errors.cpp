// BASIC error numbers and messages, raising errors, critical errors, ERR and ERL.
#include "runtime/errors/errors.h"

#include "runtime/frame/frame.h"
#include "runtime/platform/platform.h"

#include <cstdio>

std::atomic<uint32_t> pending_error{0};
int32_t repeat_statement = 0;
int32_t repeat_request = 0;
int32_t error_line = 0;
int32_t err_value = 0;
double erl_value = 0;
double current_erl = 0;
int32_t handler_set = 0;
int32_t in_handler = 0;
int32_t error_jump = 0;

namespace {

struct ErrorText {
  int32_t number;
  const char *message;
};

// The messages the error dialog shows, by number.
constexpr ErrorText ERROR_TEXTS[] = {
    {1, "NEXT without FOR"},
    {2, "Syntax error"},
    {3, "RETURN without GOSUB"},
    {4, "Out of DATA"},
    {5, "Illegal function call"},
    {6, "Overflow"},
    {7, "Out of memory"},
    {8, "Label not defined"},
    {9, "Subscript out of range"},
    {10, "Duplicate definition"},
    {12, "Illegal in direct mode"},
    {13, "Type mismatch"},
    {14, "Out of string space"},
    {16, "String formula too complex"},
    {17, "Cannot continue"},
    {18, "Function not defined"},
    {19, "No RESUME"},
    {20, "RESUME without error"},
    {24, "Device timeout"},
    {25, "Device fault"},
    {26, "FOR without NEXT"},
    {27, "Out of paper"},
    {29, "WHILE without WEND"},
    {30, "WEND without WHILE"},
    {33, "Duplicate label"},
    {35, "Subprogram not defined"},
    {37, "Argument-count mismatch"},
    {38, "Array not defined"},
    {40, "Variable required"},
    {50, "FIELD overflow"},
    {51, "Internal error"},
    {52, "Bad file name or number"},
    {53, "File not found"},
    {54, "Bad file mode"},
    {55, "File already open"},
    {56, "FIELD statement active"},
    {57, "Device I/O error"},
    {58, "File already exists"},
    {59, "Bad record length"},
    {61, "Disk full"},
    {62, "Input past end of file"},
    {63, "Bad record number"},
    {64, "Bad file name"},
    {67, "Too many files"},
    {68, "Device unavailable"},
    {69, "Communication-buffer overflow"},
    {70, "Permission denied"},
    {71, "Disk not ready"},
    {72, "Disk-media error"},
    {73, "Feature unavailable"},
    {74, "Rename across disks"},
    {75, "Path/File access error"},
    {76, "Path not found"},
    {258, "Invalid handle"},
    {262, "Function unavailable in ARBOR"},
    {300, "Memory region out of range"},
    {301, "Invalid size"},
    {302, "Source memory region out of range"},
    {303, "Destination memory region out of range"},
    {304, "Source and destination memory regions out of range"},
    {305, "Source memory has been freed"},
    {306, "Destination memory has been freed"},
    {307, "Memory already freed"},
    {308, "Memory has been freed"},
    {309, "Memory not initialized"},
    {310, "Source memory not initialized"},
    {311, "Destination memory not initialized"},
    {312, "Source and destination memory not initialized"},
    {313, "Source and destination memory have been freed"},
};

// Critical errors below 502 and their boxes; 502-518 are all "Out of memory" titled
// "Critical Error #" and n - 500.
constexpr struct {
  int32_t number;
  const char *text;
  const char *title;
} CRITICAL_ERRORS[] = {
    {11, "Division by zero", "Critical Error"},
    {256, "Out of stack space", "Critical Error"},
    {257, "Out of memory", "Critical Error #1"},
    {259, "Cannot find dynamic library file", "Critical Error"},
    {260, "Sub/Function does not exist in dynamic library", "Critical Error"},
    {261, "Sub/Function does not exist in dynamic library", "Critical Error"},
    {263, "Paths/Filename illegal in ARBOR", "Critical Error"},
    {270, "_GL command called outside of SUB _GL's scope", "Critical Error"},
    {271, "END/SYSTEM called within SUB _GL's scope", "Critical Error"},
};

constexpr int32_t CRITICAL_MEMORY_FIRST = 502;
constexpr int32_t CRITICAL_MEMORY_LAST = 518;

// A box still open when shutdown begins is taken away, so the close button always ends
// the process.
bool shutdown_begun() { return rt_control.stop_all.load() != 0; }

// Shows the critical error's box and ends the process; the runtime's own shutdown does
// not run.
[[noreturn]] void critical_error_exit(int32_t n) {
  const char *text = "Out of memory";
  char title[32];
  std::snprintf(title, sizeof title, "Critical Error");
  for (const auto &critical : CRITICAL_ERRORS)
    if (critical.number == n) {
      text = critical.text;
      std::snprintf(title, sizeof title, "%s", critical.title);
    }
  if (n >= CRITICAL_MEMORY_FIRST && n <= CRITICAL_MEMORY_LAST)
    std::snprintf(title, sizeof title, "Critical Error #%d", int(n - 500));
  platform_set_message_box_cancel(shutdown_begun);
  platform_message_box(text, title, MESSAGE_BOX_OK, true);
  platform_exit(0);
}

}  // namespace

const char *error_message(int32_t n) {
  for (const ErrorText &entry : ERROR_TEXTS)
    if (entry.number == n) return entry.message;
  return "Unprintable error";
}

bool error_is_critical(int32_t n) {
  if (n >= CRITICAL_MEMORY_FIRST && n <= CRITICAL_MEMORY_LAST) return true;
  for (const auto &critical : CRITICAL_ERRORS)
    if (critical.number == n) return true;
  return false;
}

int32_t rt_error(int32_t n) {
  if (error_is_critical(n)) critical_error_exit(n);
  if (uint32_t pending = pending_error.load(std::memory_order_relaxed)) return int32_t(pending);
  if (n <= 0) n = ERR_ILLEGAL_FUNCTION_CALL;
  pending_error.store(uint32_t(n), std::memory_order_relaxed);
  rt_control.event_pending.store(1, std::memory_order_release);
  return n;
}

int32_t rt_err() { return err_value; }

long double rt_erl() { return erl_value; }

int32_t rt_error_line() { return error_line; }
