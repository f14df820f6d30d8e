// What the pieces of the translated program share: the main program's variables (they live
// for the whole run), its routine frame, and the routines the other files hold.
#pragma once
#include <cstdint>

#include "runtime/values/values.h"

// The main program's routine bracket; its temporary-list mark is the one every statement
// of the main program frees back to.
extern RoutineFrame main_frame;

// The main program's variables, cells in variable storage made before the first statement.
struct MainVariables {
  float *room;           // 1 to 12
  float *has_pen;        // 1 while the player carries the pen
  float *has_coffee;     // 1 while the player carries the hot coffee
  float *limit_minutes;
  float *limit_seconds;
  float *time_limit;     // seconds; shared with read_command
  double *deadline;      // TIMER value when time runs out; shared with read_command
  ArrayDescriptor *exits;  // exits(1 TO 12) AS STRING
  BasicString *command;  // the last command line, upper-cased and trimmed
};
extern MainVariables main_vars;

// Return points of the program's GOSUBs: line 68 is 1, line 69 is 2, lines 73 to 84 are
// 3 to 14.
constexpr uint32_t HIGHEST_RETURN_POINT = 14;

// rooms.cpp: the room table.
// Lines 18-29: the exit text of every room.
void room_exit_texts();
// Lines 206-265: the room-text subroutine of room n, entered by GOSUB; runs its PRINTs and
// its RETURN, and gives back the popped return point (0 when the RETURN failed and control
// ran on past the last subroutine).
uint32_t room_text(int32_t n);
// Lines 124-129, 132-137, 140-145, 148-153: the moves of one direction; true when a move was
// made (its GOTO command_done).
bool room_move_north();
bool room_move_east();
bool room_move_south();
bool room_move_west();

// read_command.cpp, lines 290-333: reads one command line while the countdown runs;
// returns a temporary string (the time-out ending never returns).
BasicString *read_command();
