// BASIC errors and program events: error numbers and messages, raising errors, the
// per-statement event check, the error dialog and critical errors.
#pragma once
#include <atomic>
#include <cstdint>

// BASIC error numbers.
enum BasicError : int32_t {
  ERR_NEXT_WITHOUT_FOR = 1,
  ERR_SYNTAX = 2,
  ERR_RETURN_WITHOUT_GOSUB = 3,
  ERR_OUT_OF_DATA = 4,
  ERR_ILLEGAL_FUNCTION_CALL = 5,
  ERR_OVERFLOW = 6,
  ERR_OUT_OF_MEMORY = 7,
  ERR_LABEL_NOT_DEFINED = 8,
  ERR_SUBSCRIPT_OUT_OF_RANGE = 9,
  ERR_DUPLICATE_DEFINITION = 10,
  ERR_DIVISION_BY_ZERO = 11,
  ERR_ILLEGAL_IN_DIRECT_MODE = 12,
  ERR_TYPE_MISMATCH = 13,
  ERR_OUT_OF_STRING_SPACE = 14,
  ERR_STRING_FORMULA_TOO_COMPLEX = 16,
  ERR_CANNOT_CONTINUE = 17,
  ERR_FUNCTION_NOT_DEFINED = 18,
  ERR_NO_RESUME = 19,
  ERR_RESUME_WITHOUT_ERROR = 20,
  ERR_DEVICE_TIMEOUT = 24,
  ERR_DEVICE_FAULT = 25,
  ERR_FOR_WITHOUT_NEXT = 26,
  ERR_OUT_OF_PAPER = 27,
  ERR_WHILE_WITHOUT_WEND = 29,
  ERR_WEND_WITHOUT_WHILE = 30,
  ERR_DUPLICATE_LABEL = 33,
  ERR_SUBPROGRAM_NOT_DEFINED = 35,
  ERR_ARGUMENT_COUNT_MISMATCH = 37,
  ERR_ARRAY_NOT_DEFINED = 38,
  ERR_VARIABLE_REQUIRED = 40,
  ERR_FIELD_OVERFLOW = 50,
  ERR_INTERNAL = 51,
  ERR_BAD_FILE_NAME_OR_NUMBER = 52,
  ERR_FILE_NOT_FOUND = 53,
  ERR_BAD_FILE_MODE = 54,
  ERR_FILE_ALREADY_OPEN = 55,
  ERR_FIELD_STATEMENT_ACTIVE = 56,
  ERR_DEVICE_IO = 57,
  ERR_FILE_ALREADY_EXISTS = 58,
  ERR_BAD_RECORD_LENGTH = 59,
  ERR_DISK_FULL = 61,
  ERR_INPUT_PAST_END = 62,
  ERR_BAD_RECORD_NUMBER = 63,
  ERR_BAD_FILE_NAME = 64,
  ERR_TOO_MANY_FILES = 67,
  ERR_DEVICE_UNAVAILABLE = 68,
  ERR_COMM_BUFFER_OVERFLOW = 69,
  ERR_PERMISSION_DENIED = 70,
  ERR_DISK_NOT_READY = 71,
  ERR_DISK_MEDIA = 72,
  ERR_FEATURE_UNAVAILABLE = 73,
  ERR_RENAME_ACROSS_DISKS = 74,
  ERR_PATH_FILE_ACCESS = 75,
  ERR_PATH_NOT_FOUND = 76,
  ERR_OUT_OF_STACK_SPACE = 256,
  ERR_TIMER_OUT_OF_MEMORY = 257,
  ERR_INVALID_HANDLE = 258,
  ERR_DYNAMIC_LIBRARY_NOT_FOUND = 259,
  ERR_DYNAMIC_LIBRARY_SUB_260 = 260,
  ERR_DYNAMIC_LIBRARY_SUB_261 = 261,
  ERR_FUNCTION_UNAVAILABLE_IN_ARBOR = 262,
  ERR_PATH_ILLEGAL_IN_ARBOR = 263,
  ERR_GL_OUTSIDE_SCOPE = 270,
  ERR_END_IN_GL_SCOPE = 271,
  ERR_MEMORY_REGION_OUT_OF_RANGE = 300,  // 300..313: memory-block errors
  ERR_MEMORY_INVALID_SIZE = 301,
  ERR_MEMORY_SOURCE_OUT_OF_RANGE = 302,
  ERR_MEMORY_DESTINATION_OUT_OF_RANGE = 303,
  ERR_MEMORY_BOTH_OUT_OF_RANGE = 304,
  ERR_MEMORY_SOURCE_FREED = 305,
  ERR_MEMORY_DESTINATION_FREED = 306,
  ERR_MEMORY_ALREADY_FREED = 307,
  ERR_MEMORY_FREED = 308,
  ERR_MEMORY_NOT_INITIALIZED = 309,
  ERR_MEMORY_SOURCE_NOT_INITIALIZED = 310,
  ERR_MEMORY_DESTINATION_NOT_INITIALIZED = 311,
  ERR_MEMORY_BOTH_NOT_INITIALIZED = 312,
  ERR_MEMORY_BOTH_FREED = 313,
  ERR_CRITICAL_IMAGE_TABLE = 502,
  ERR_CRITICAL_IMAGE_TABLE_GROW = 503,
  ERR_CRITICAL_VARIABLE_STORAGE = 504,
  ERR_CRITICAL_LOW_BLOCK_505 = 505,  // 505..507: low-memory block allocation
  ERR_CRITICAL_LOW_BLOCK_506 = 506,
  ERR_CRITICAL_LOW_BLOCK_507 = 507,
  ERR_CRITICAL_DESCRIPTOR_STACK = 508,
  ERR_CRITICAL_LOW_LIST = 509,
  ERR_CRITICAL_HEAP_LIST = 510,
  ERR_CRITICAL_TEMP_LIST = 511,
  ERR_CRITICAL_HEAP = 512,
  ERR_CRITICAL_LOW_POOL = 513,
  ERR_CRITICAL_LOW_DESCRIPTOR = 514,
  ERR_CRITICAL_FIXED_DESCRIPTOR = 515,
  ERR_CRITICAL_INPUT_516 = 516,
  ERR_CRITICAL_INPUT_517 = 517,
  ERR_CRITICAL_MEMORY_BLOCKS = 518,
};

// Error state. pending_error is written only on the program thread.
extern std::atomic<uint32_t> pending_error;
extern int32_t repeat_statement;
extern int32_t repeat_request;
extern int32_t error_line;
extern int32_t err_value;
extern double erl_value;
extern double current_erl;
extern int32_t handler_set;
extern int32_t in_handler;
extern int32_t error_jump;

// Records error n as pending (the first error of a statement wins); critical numbers end
// the process after their message box. Returns the pending error number.
int32_t rt_error(int32_t n);
// The per-statement event check, called by generated code when event_pending is set: holds
// the program thread while paused (10 ms steps), parks it once shutdown has begun, serves a
// pending error (dialog or trap; then asks for one more check after the next statement, so
// that key and timer events due meanwhile are not left waiting), otherwise runs ON KEY and
// ON TIMER handlers (deferred while an error handler runs). Sets repeat_statement.
void rt_event_check(int32_t line);
// Serves pending_error: the trap path into the main routine when ON ERROR is active, else
// the dialog (Yes goes on; No ends the program through the normal shutdown; 300-313 show
// an OK box and end the process with exit code 0).
void rt_error_dispatch();
int32_t rt_err();
long double rt_erl();
int32_t rt_error_line();
// Message text of error n ("Unprintable error" when unknown).
const char *error_message(int32_t n);
// Installed by the program's main routine: the floating-point exception signal handler.
void on_float_signal(int signal_number);

// ---- the translated program's main routine --------------------------------------------
// True for the numbers that end the process in rt_error (11, 256, 257, 259-261, 263, 270,
// 271, 502-518).
bool error_is_critical(int32_t n);
// First call of the program's main routine, and again whenever the error dispatch
// re-enters it for a trapped error:
//   void main_module() {
//     if (rt_main_prologue(HAS_ERROR_HANDLER)) goto error_handler;
//     ...statements...
//   }
// The first call sets the x87 unit to 64-bit mantissa precision; every call installs
// on_float_signal. When error_jump is set it is cleared and the result is 1: the routine
// continues at its error handler. A program without one (has_error_handler 0) ends the
// process with exit code 99 there instead (open files are closed first). Returns 0 on an
// ordinary entry.
int32_t rt_main_prologue(int32_t has_error_handler);
