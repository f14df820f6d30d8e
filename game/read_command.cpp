// FUNCTION read_command$ (source lines 290-333 of game/hallway.bas): reads one command line
// from the key-hit queue while a countdown of the time left until `deadline` runs in row 2.
// Every pass restores the screen saved at entry, redraws the typed line and the clock, and
// presents the frame by hand, at most 30 times a second. When the time has run out it shows
// the time-out ending and ends the program.
#include "game/basic.h"
#include "game/program.h"

namespace {

constexpr double SECONDS_PER_DAY = 86400;

}  // namespace

BasicString *read_command() {
  // The routine bracket: marks saved, guard opened, locals created.
  RoutineFrame frame;
  rt_routine_enter(&frame);
  const uint32_t routine_mark = frame.temp_mark;
  float &prompt_column = *new_cell<float>();
  float &prompt_row = *new_cell<float>();
  float &key_code = *new_cell<float>();
  float &clock_minutes = *new_cell<float>();
  float &clock_seconds = *new_cell<float>();
  long double &remaining = *new_cell<long double>();
  BasicString *typed = bstr_new(0, 0);
  BasicString *scratch = bstr_new(0, 0);  // INKEY$ results that are thrown away
  BasicString *result = bstr_new(0, 0);   // the function's value
  double &deadline = *main_vars.deadline;
  const float &time_limit = *main_vars.time_limit;

  STATEMENT(291, "prompt_column = POS(0)", prompt_column = float(rt_pos()));
  STATEMENT(292, "prompt_row = CSRLIN", prompt_row = float(rt_csrlin()));
  STATEMENT(294, "PCOPY 0, 1", rt_pcopy(0, 1));

  // Everything typed before the prompt appeared, in both queues, is thrown away.
  do {
    DO_HEAD(296, "DO");
    STATEMENT(297, "key_code = _KEYHIT", key_code = float(rt_keyhit()));
    STATEMENT(298, "scratch$ = INKEY$", bstr_set(scratch, rt_inkey()));
  } while (LOOP_AGAIN(299, "LOOP UNTIL key_code = 0 AND INKEY$ = \"\"",
                      truth(key_code == 0) & bstr_equal(rt_inkey(), blank_string)));
  LOOP_END(299, "LOOP UNTIL key_code = 0 AND INKEY$ = \"\"");

  do {
    DO_HEAD(301, "DO");
    STATEMENT(302, "_LIMIT 30", rt_limit(30));
    STATEMENT(303, "PCOPY 1, 0", rt_pcopy(1, 0));
    STATEMENT(304, "LOCATE prompt_row, prompt_column",
              rt_locate(rt_round_single(prompt_row), rt_round_single(prompt_column), 0, 0, 0, 3));
    STATEMENT(304, "PRINT typed", print_line(typed));

    // One key-hit code per pass: Backspace, or a letter or space; anything else is ignored.
    STATEMENT(306, "key_code = _KEYHIT", key_code = float(rt_keyhit()));
    float selector;
    STATEMENT(307, "SELECT CASE key_code", selector = key_code);
    if (selector == 8) {  // 308 CASE 8
      STATEMENT(309, "typed = LEFT$(typed, LEN(typed) - 1)",
                bstr_set(typed, rt_left(typed, rt_len(typed) - 1)));
    } else if ((selector >= 65 && selector <= 90) || (selector >= 97 && selector <= 122) ||
               selector == 32) {  // 310 CASE 65 TO 90, 97 TO 122, 32
      STATEMENT(311, "typed = UCASE$(typed + CHR$(key_code))",
                bstr_set(typed, rt_ucase(bstr_add(typed, rt_chr(rt_round_single(key_code))))));
    }  // 312 END SELECT

    // TIMER starts again from 0 at midnight while the deadline does not: the time left can
    // never be more than the whole limit, so when it seems to be, the day has turned and
    // the deadline moves back by a day. The countdown then runs on across midnight. The
    // second of slack keeps a reading in the deadline's own millisecond (the deadline is
    // rounded to DOUBLE) from passing for a day's turn.
    if (IF_TAKEN(313, "IF deadline - TIMER(.001) > time_limit + 1 THEN",
                 truth((long double)deadline - rt_timer(0.001, 1) > time_limit + 1.0L))) {
      STATEMENT(313, "deadline = deadline - 86400", deadline = deadline - SECONDS_PER_DAY);
    }
    STATEMENT(314, "remaining = deadline - TIMER(.001)",
              remaining = (long double)deadline - rt_timer(0.001, 1));
    STATEMENT(315, "clock_minutes = remaining \\ 60",
              clock_minutes = float(rt_round_float(remaining) / 60));
    STATEMENT(316, "clock_seconds = remaining - clock_minutes * 60",
              clock_seconds = float(remaining - (long double)clock_minutes * 60));
    STATEMENT(317, "LOCATE 2, 32", rt_locate(2, 32, 0, 0, 0, 3));
    STATEMENT(317, "PRINT USING \" ###:##.###\"; clock_minutes; clock_seconds", {
      PrintUsingStatement u;
      rt_print_using_begin(&u, LIT(" ###:##.###"));
      if (!error_pending())
        u.position = rt_print_using_single(u.format, clock_minutes, u.position, u.output);
      if (!error_pending())
        u.position = rt_print_using_single(u.format, clock_seconds, u.position, u.output);
      rt_print_using_end(&u, 1);
    });
    if (IF_TAKEN(318, "IF remaining <= 0 THEN", truth(remaining <= 0))) {
      goto timeout_ending;  // 318 GOTO timeout_ending
    }
    STATEMENT(319, "_DISPLAY", rt_display_now());
  } while (LOOP_AGAIN(321, "LOOP UNTIL key_code = 13", truth(key_code == 13)));
  LOOP_END(321, "LOOP UNTIL key_code = 13");

  STATEMENT(322, "read_command = typed", bstr_set(result, typed));
  STATEMENT(323, "_AUTODISPLAY", rt_autodisplay());
  // 324 EXIT FUNCTION: the locals go, the value becomes a temporary of the caller.
  bstr_free(typed);
  bstr_free(scratch);
  rt_routine_exit(&frame);
  return bstr_make_temporary(result);

timeout_ending:
  label_line(326);  // timeout_ending:
  STATEMENT(327, "CLS", cls());
  STATEMENT(328, "PRINT \"You wait around in class until the teacher comes in and is shocked\"",
            print_line(LIT("You wait around in class until the teacher comes in and is shocked")));
  STATEMENT(329, "PRINT \"to see you still waiting for class. You are told to leave and you\"",
            print_line(LIT("to see you still waiting for class. You are told to leave and you")));
  STATEMENT(330, "PRINT \"hear under the teachers -Punk kid.- So you go home...a loser...\"",
            print_line(LIT("hear under the teachers -Punk kid.- So you go home...a loser...")));
  STATEMENT(331, "_DISPLAY", rt_display_now());
  STATEMENT(332, "END", rt_end());
  return nullptr;  // END never returns
}
