// The main program of Hallway Breakout (source lines 1-288 of game/hallway.bas): start-up,
// the intro screen, the turn loop, the room-description dispatcher, the command
// subroutine with every command, and the two story endings. The room table is in
// rooms.cpp, the command input with its countdown in read_command.cpp.
//
// GOSUB pushes its return point (1 to 14) on the runtime's return stack and jumps; RETURN
// pops a point and `resume` jumps back behind the matching GOSUB, where that GOSUB's line
// check runs (a repeat request there runs the GOSUB again).
#include "game/basic.h"
#include "game/game.h"
#include "game/program.h"

RoutineFrame main_frame;
MainVariables main_vars;

namespace {

const uint32_t &routine_mark = main_frame.temp_mark;

// 74 spaces: the blank rows of the title block.
#define SPACES_74 "                                                                          "

// Before the first statement: every numeric variable 0, every string empty, the exits array.
void create_variables() {
  MainVariables &v = main_vars;
  v.room = new_cell<float>();
  v.has_pen = new_cell<float>();
  v.has_coffee = new_cell<float>();
  v.limit_minutes = new_cell<float>();
  v.limit_seconds = new_cell<float>();
  v.time_limit = new_cell<float>();
  v.deadline = new_cell<double>();
  v.exits = rt_dim(1, 12, 8, 1, 0);  // 6 DIM exits(1 TO 12) AS STRING
  v.command = bstr_new(0, 0);
}

// INSTR(exits(room), word) as a truth value; exits(room) is checked against 1 TO 12.
int32_t exit_has(BasicString *word) {
  return rt_instr(0, rt_string_element(main_vars.exits, rt_round_single(*main_vars.room)),
                  word, 0);
}

// command = "word"
int32_t command_is(BasicString *word) { return bstr_equal(main_vars.command, word); }
int32_t room_is(float n) { return truth(*main_vars.room == n); }

}  // namespace

void game_main_module() {
  if (rt_main_prologue(0)) return;  // no error handler: the prologue ends the process
  rt_routine_enter(&main_frame);
  return_stack_reset();
  create_variables();
  MainVariables &v = main_vars;
  uint32_t point = 0;  // the return point a RETURN popped

  STATEMENT(1, "room = 1", *v.room = 1);
  STATEMENT(3, "has_pen = 1", *v.has_pen = 1);
  STATEMENT(4, "has_coffee = 1", *v.has_coffee = 1);
  STATEMENT(8, "SCREEN 12", rt_screen(12, 0, 0, 0, 0, 1));
  STATEMENT(9, "COLOR 7, 0", color(7, 0));
  STATEMENT(10, "CLS", cls());
  STATEMENT(13, "limit_minutes = 10", *v.limit_minutes = 10);
  STATEMENT(14, "limit_seconds = 0", *v.limit_seconds = 0);
  STATEMENT(15, "time_limit = limit_minutes * 60 + limit_seconds",
            *v.time_limit = float(*v.limit_minutes * 60.0L + *v.limit_seconds));
  room_exit_texts();  // 18-29 exits(1) = "EAST" ... exits(12) = "EAST OR WEST"

  // The intro.
  STATEMENT(31, "PRINT \"\"", print_line(LIT("")));
  STATEMENT(32, "PRINT \"\"", print_line(LIT("")));
  STATEMENT(33, "PRINT \"You are sitting at a desk in the middle of class when the teacher leaves for\"",
            print_line(LIT("You are sitting at a desk in the middle of class when the teacher leaves for")));
  STATEMENT(34, "PRINT \"a moment. Then as all the other students begin to leave one by one and you\"",
            print_line(LIT("a moment. Then as all the other students begin to leave one by one and you")));
  STATEMENT(35, "PRINT \"are left sitting here like a chump. Well, time for you to make a break for it.\"",
            print_line(LIT("are left sitting here like a chump. Well, time for you to make a break for it.")));
  STATEMENT(36, "PRINT \"\"", print_line(LIT("")));
  KEY_WAIT(38);  // 38 DO: LOOP UNTIL INKEY$ <> ""
  STATEMENT(39, "deadline = TIMER(.001) + time_limit",
            *v.deadline = double(rt_timer(0.001, 1) + (long double)*v.time_limit));

  // The turn loop: redraw title, compass, hint and description, then one command.
  for (;;) {
    DO_HEAD(41, "DO");
    STATEMENT(42, "CLS", cls());
    STATEMENT(43, "PRINT", print_end_line());
    STATEMENT(44, "PRINT", print_end_line());
    STATEMENT(45, "PRINT (74 spaces)", print_line(LIT(SPACES_74)));
    STATEMENT(46, "PRINT (74 spaces)", print_line(LIT(SPACES_74)));
    STATEMENT(47, "PRINT (74 spaces)", print_line(LIT(SPACES_74)));
    STATEMENT(48, "PRINT (30 spaces) \"Hallway Breakout\" (28 spaces)",
              print_line(LIT("                              Hallway Breakout                            ")));
    STATEMENT(49, "PRINT (74 spaces)", print_line(LIT(SPACES_74)));
    STATEMENT(50, "PRINT (33 spaces) \"Written by\" (31 spaces)",
              print_line(LIT("                                 Written by                               ")));
    STATEMENT(51, "PRINT (74 spaces)", print_line(LIT(SPACES_74)));
    STATEMENT(52, "PRINT (33 spaces) \"K.L. Vantor\"",
              print_line(LIT("                                 K.L. Vantor")));
    STATEMENT(53, "PRINT \"\"", print_line(LIT("")));
    STATEMENT(54, "PRINT (29 spaces) \"A school adventure\"",
              print_line(LIT("                             A school adventure")));
    STATEMENT(55, "PRINT \"\"", print_line(LIT("")));
    // The compass.
    STATEMENT(56, "PRINT SPACE$(38);", print_item(rt_space(38)));
    if (IF_TAKEN(57, "IF INSTR(exits(room), \"NORTH\") THEN", exit_has(LIT("NORTH")))) {
      STATEMENT(57, "PRINT \"N\"", print_line(LIT("N")));
    } else {
      STATEMENT(57, "ELSE PRINT", print_end_line());
    }
    STATEMENT(58, "PRINT \"*---------------------------------* \";",
              print_item(LIT("*---------------------------------* ")));
    if (IF_TAKEN(59, "IF INSTR(exits(room), \"WEST\") THEN", exit_has(LIT("WEST")))) {
      STATEMENT(59, "PRINT \"W\";", print_item(LIT("W")));
    } else {
      STATEMENT(59, "ELSE PRINT \" \";", print_item(LIT(" ")));
    }
    STATEMENT(60, "PRINT \" + \";", print_item(LIT(" + ")));
    if (IF_TAKEN(61, "IF INSTR(exits(room), \"EAST\") THEN", exit_has(LIT("EAST")))) {
      STATEMENT(61, "PRINT \"E\";", print_item(LIT("E")));
    } else {
      STATEMENT(61, "ELSE PRINT \" \";", print_item(LIT(" ")));
    }
    STATEMENT(62, "PRINT \" *------------------------------------*\"",
              print_line(LIT(" *------------------------------------*")));
    STATEMENT(63, "PRINT SPACE$(38);", print_item(rt_space(38)));
    if (IF_TAKEN(64, "IF INSTR(exits(room), \"SOUTH\") THEN", exit_has(LIT("SOUTH")))) {
      STATEMENT(64, "PRINT \"S\"", print_line(LIT("S")));
    } else {
      STATEMENT(64, "ELSE PRINT", print_end_line());
    }
    STATEMENT(65, "PRINT", print_end_line());
    STATEMENT(66, "PRINT \"If you are stuck just type HELP.\"",
              print_line(LIT("If you are stuck just type HELP.")));
    STATEMENT(67, "PRINT", print_end_line());
  gosub_1:
    rt_gosub(1);  // 68 GOSUB describe_room
    goto describe_room;
  return_point_1:
    if (statement_end(68)) goto gosub_1;
  gosub_2:
    rt_gosub(2);  // 69 GOSUB handle_command
    goto handle_command;
  return_point_2:
    if (statement_end(69)) goto gosub_2;
  }  // 70 LOOP

  // ---- describe_room: the room-text subroutine of the current room --------------------
describe_room:
  label_line(72);  // describe_room:
#define ROOM_GOSUB(line, n, p)                                                  \
  if (IF_TAKEN(line, "IF room = " #n " THEN", room_is(n))) {                    \
  gosub_##p:                                                                    \
    rt_gosub(p); /* GOSUB room_n */                                             \
    point = room_text(n);                                                       \
    if (point) goto resume;                                                     \
    goto coffee_ending; /* a failed RETURN after room 12 runs on into line 268 */ \
  return_point_##p:                                                             \
    if (statement_end(line)) goto gosub_##p;                                    \
  }
  ROOM_GOSUB(73, 1, 3)   // 73 IF room = 1 THEN GOSUB room_1
  ROOM_GOSUB(74, 2, 4)   // 74 IF room = 2 THEN GOSUB room_2
  ROOM_GOSUB(75, 3, 5)
  ROOM_GOSUB(76, 4, 6)
  ROOM_GOSUB(77, 5, 7)
  ROOM_GOSUB(78, 6, 8)
  ROOM_GOSUB(79, 7, 9)
  ROOM_GOSUB(80, 8, 10)
  ROOM_GOSUB(81, 9, 11)
  ROOM_GOSUB(82, 10, 12)
  ROOM_GOSUB(83, 11, 13)
  ROOM_GOSUB(84, 12, 14)  // 84 IF room = 12 THEN GOSUB room_12
#undef ROOM_GOSUB
  STATEMENT(85, "RETURN", if ((point = rt_return(HIGHEST_RETURN_POINT))) goto resume);

  // ---- handle_command: prompt, command line, the command tests ----------------------
handle_command:
  label_line(87);  // handle_command:
  STATEMENT(88, "PRINT \"> \";", print_item(LIT("> ")));
  STATEMENT(89, "command = read_command", bstr_set(v.command, read_command()));
  STATEMENT(90, "command = LTRIM$(RTRIM$(UCASE$(command)))",
            bstr_set(v.command, rt_ltrim(rt_rtrim(rt_ucase(v.command)))));

  if (IF_TAKEN(91, "IF command = \"END\" OR command = \"QUIT\" OR command = \"EXIT\" OR command = \"Q\" THEN",
               command_is(LIT("END")) | command_is(LIT("QUIT")) | command_is(LIT("EXIT")) |
                   command_is(LIT("Q")))) {
    STATEMENT(92, "END", rt_end());
  }  // 93 END IF

  // The help screen.
  if (IF_TAKEN(94, "IF command = \"HELP\" OR command = \"H\" THEN",
               command_is(LIT("HELP")) | command_is(LIT("H")))) {
    STATEMENT(95, "CLS", cls());
    STATEMENT(96, "PRINT \"HERE ARE SOME BASIC COMMANDS THAT CAN BE USED IN THE GAME...\"",
              print_line(LIT("HERE ARE SOME BASIC COMMANDS THAT CAN BE USED IN THE GAME...")));
    STATEMENT(97, "PRINT", print_end_line());
    STATEMENT(98, "PRINT \"NORTH, EAST ,SOUTH, AND WEST - MOVE TO AN AVAILABLE LOCATION\"",
              print_line(LIT("NORTH, EAST ,SOUTH, AND WEST - MOVE TO AN AVAILABLE LOCATION")));
    STATEMENT(99, "PRINT \"EXAMINE (OBJECT)             - EXAMINE AN OBJECT\"",
              print_line(LIT("EXAMINE (OBJECT)             - EXAMINE AN OBJECT")));
    STATEMENT(100, "PRINT \"USE (OBJECT)                 - USE AN OBJECT\"",
              print_line(LIT("USE (OBJECT)                 - USE AN OBJECT")));
    STATEMENT(101, "PRINT \"TAKE (OBJECT)                - TAKE OR MOVE AN OBJECT\"",
              print_line(LIT("TAKE (OBJECT)                - TAKE OR MOVE AN OBJECT")));
    STATEMENT(102, "PRINT \"INVENTORY                    - VIEW YOUR INVENTORY\"",
              print_line(LIT("INVENTORY                    - VIEW YOUR INVENTORY")));
    STATEMENT(103, "PRINT \"DRINK                        - DRINK BEER\"",
              print_line(LIT("DRINK                        - DRINK BEER")));
    STATEMENT(104, "PRINT \"UNLOCK                       - UNLOCK DOOR\"",
              print_line(LIT("UNLOCK                       - UNLOCK DOOR")));
    STATEMENT(105, "PRINT \"HELP                         - VIEW THIS SCREEN\"",
              print_line(LIT("HELP                         - VIEW THIS SCREEN")));
    STATEMENT(106, "PRINT \"END                          - END GAME\"",
              print_line(LIT("END                          - END GAME")));
    STATEMENT(107, "PRINT", print_end_line());
    STATEMENT(108, "PRINT \"PRESS ANY KEY...\"", print_line(LIT("PRESS ANY KEY...")));
    STATEMENT(108, "SLEEP", rt_sleep(0, 0));
    DISCARD_LOOP(109);  // 109 DO: LOOP UNTIL INKEY$ = ""
    KEY_WAIT(110);      // 110 DO: LOOP UNTIL INKEY$ <> ""
  }  // 111 END IF

  // The inventory screen.
  if (IF_TAKEN(112, "IF command = \"INVENTORY\" OR command = \"INV\" OR command = \"ITEMS\" OR command = \"I\" THEN",
               command_is(LIT("INVENTORY")) | command_is(LIT("INV")) | command_is(LIT("ITEMS")) |
                   command_is(LIT("I")))) {
    STATEMENT(113, "CLS", cls());
    STATEMENT(114, "PRINT \"INVENTORY...\"", print_line(LIT("INVENTORY...")));
    STATEMENT(115, "PRINT", print_end_line());
    if (IF_TAKEN(116, "IF has_pen = 1 THEN", truth(*v.has_pen == 1))) {
      STATEMENT(116, "PRINT \"Pen\"", print_line(LIT("Pen")));
    }
    if (IF_TAKEN(117, "IF has_coffee = 1 THEN", truth(*v.has_coffee == 1))) {
      STATEMENT(117, "PRINT \"Hot Coffee\"", print_line(LIT("Hot Coffee")));
    }
    STATEMENT(118, "PRINT", print_end_line());
    STATEMENT(119, "PRINT \"PRESS ANY KEY...\"", print_line(LIT("PRESS ANY KEY...")));
    DISCARD_LOOP(120);
    KEY_WAIT(121);
  }  // 122 END IF

  // Movement (the moves themselves are the room table's).
  if (IF_TAKEN(123, "IF command = \"GO NORTH\" OR command = \"NORTH\" OR command = \"N\" THEN",
               command_is(LIT("GO NORTH")) | command_is(LIT("NORTH")) | command_is(LIT("N")))) {
    if (room_move_north()) goto command_done;  // 124-129
  }  // 130 END IF
  if (IF_TAKEN(131, "IF command = \"GO EAST\" OR command = \"EAST\" OR command = \"E\" THEN",
               command_is(LIT("GO EAST")) | command_is(LIT("EAST")) | command_is(LIT("E")))) {
    if (room_move_east()) goto command_done;  // 132-137
  }  // 138 END IF
  if (IF_TAKEN(139, "IF command = \"GO SOUTH\" OR command = \"SOUTH\" OR command = \"S\" THEN",
               command_is(LIT("GO SOUTH")) | command_is(LIT("SOUTH")) | command_is(LIT("S")))) {
    if (room_move_south()) goto command_done;  // 140-145
  }  // 146 END IF
  if (IF_TAKEN(147, "IF command = \"GO WEST\" OR command = \"WEST\" OR command = \"W\" THEN",
               command_is(LIT("GO WEST")) | command_is(LIT("WEST")) | command_is(LIT("W")))) {
    if (room_move_west()) goto command_done;  // 148-153
  }  // 154 END IF

  // Message screens.
  if (IF_TAKEN(156, "IF command = \"TALK TO BUCK\" AND room = 10 THEN",
               command_is(LIT("TALK TO BUCK")) & room_is(10))) {
    STATEMENT(157, "CLS", cls());
    STATEMENT(158, "PRINT \"What do you want, punk?\"", print_line(LIT("What do you want, punk?")));
    DISCARD_LOOP(159);
    KEY_WAIT(160);
  }  // 161 END IF
  if (IF_TAKEN(162, "IF command = \"TALK TO TEACHER\" AND room = 5 THEN",
               command_is(LIT("TALK TO TEACHER")) & room_is(5))) {
    STATEMENT(163, "CLS", cls());
    STATEMENT(164, "PRINT \"Hey, punk, shouldn't you be in class?\"",
              print_line(LIT("Hey, punk, shouldn't you be in class?")));
    DISCARD_LOOP(165);
    KEY_WAIT(166);
  }  // 167 END IF
  if (IF_TAKEN(168, "IF command = \"EXAMINE BUCK\" AND room = 10 THEN",
               command_is(LIT("EXAMINE BUCK")) & room_is(10))) {
    STATEMENT(169, "CLS", cls());
    STATEMENT(170, "PRINT \"He's an average height punk, wearing a jean vest without the arms,\"",
              print_line(LIT("He's an average height punk, wearing a jean vest without the arms,")));
    STATEMENT(171, "PRINT \"and a torn pair of pants. He seems as if he hasn't bathed in weeks.\"",
              print_line(LIT("and a torn pair of pants. He seems as if he hasn't bathed in weeks.")));
    DISCARD_LOOP(172);
    KEY_WAIT(173);
  }  // 174 END IF
  if (IF_TAKEN(175, "IF command = \"EXAMINE HOT COFFEE\" AND has_coffee = 1 THEN",
               command_is(LIT("EXAMINE HOT COFFEE")) & truth(*v.has_coffee == 1))) {
    STATEMENT(176, "CLS", cls());
    STATEMENT(177, "PRINT \"A freshly brewed cup of coffee, the aroma brings a tear to your eye.\"",
              print_line(LIT("A freshly brewed cup of coffee, the aroma brings a tear to your eye.")));
    DISCARD_LOOP(178);
    KEY_WAIT(179);
  }  // 180 END IF
  if (IF_TAKEN(181, "IF command = \"EXAMINE PEN\" AND has_pen = 1 THEN",
               command_is(LIT("EXAMINE PEN")) & truth(*v.has_pen == 1))) {
    STATEMENT(182, "CLS", cls());
    STATEMENT(183, "PRINT \"A standard blue ball point pen.\"",
              print_line(LIT("A standard blue ball point pen.")));
    DISCARD_LOOP(184);
    KEY_WAIT(185);
  }  // 186 END IF

  // The two story endings.
  if (IF_TAKEN(187, "IF command = \"USE PEN\" AND has_pen = 1 AND room = 10 THEN",
               command_is(LIT("USE PEN")) & truth(*v.has_pen == 1) & room_is(10))) {
    STATEMENT(188, "CLS", cls());
    goto pen_ending;  // 188 GOTO pen_ending
  }  // 189 END IF
  if (IF_TAKEN(194, "IF command = \"USE HOT COFFEE\" AND has_coffee = 1 AND room = 5 THEN",
               command_is(LIT("USE HOT COFFEE")) & truth(*v.has_coffee == 1) & room_is(5))) {
    STATEMENT(195, "CLS", cls());
    goto coffee_ending;  // 195 GOTO coffee_ending
  }  // 196 END IF

command_done:
  label_line(203);  // command_done:
  STATEMENT(204, "RETURN", if ((point = rt_return(HIGHEST_RETURN_POINT))) goto resume);
  // A RETURN with nothing to return to runs on into the room-text subroutines (line 206).
  point = room_text(1);
  if (point) goto resume;

coffee_ending:
  label_line(268);  // coffee_ending:
  STATEMENT(269, "COLOR 2, 0", color(2, 0));
  STATEMENT(270, "CLS", cls());
  STATEMENT(271, "PRINT \"You throw the hot coffee on the teacher's crotch. He falls\"",
            print_line(LIT("You throw the hot coffee on the teacher's crotch. He falls")));
  STATEMENT(272, "PRINT \"to his knee's and cries in pain. With him down on the ground\"",
            print_line(LIT("to his knee's and cries in pain. With him down on the ground")));
  STATEMENT(273, "PRINT \"you make your way out and head for home. Where your video\"",
            print_line(LIT("you make your way out and head for home. Where your video")));
  STATEMENT(274, "PRINT \"games await for you...sigh.\"",
            print_line(LIT("games await for you...sigh.")));
  STATEMENT(275, "PRINT", print_end_line());
  KEY_WAIT(276);  // 276 DO: LOOP UNTIL INKEY$ <> ""
  STATEMENT(277, "END", rt_end());

pen_ending:
  label_line(279);  // pen_ending:
  STATEMENT(280, "COLOR 2, 0", color(2, 0));
  STATEMENT(281, "CLS", cls());
  STATEMENT(282, "PRINT \"Before you can think it over, you plunge the pen into Buck's\"",
            print_line(LIT("Before you can think it over, you plunge the pen into Buck's")));
  STATEMENT(283, "PRINT \"leg. He let's out a cry in pain and falls to the ground.\"",
            print_line(LIT("leg. He let's out a cry in pain and falls to the ground.")));
  STATEMENT(284, "PRINT \"Everyone runs out to see that Buck has been stabbed and you\"",
            print_line(LIT("Everyone runs out to see that Buck has been stabbed and you")));
  STATEMENT(285, "PRINT \"sir are kicked out of school...punk.\"",
            print_line(LIT("sir are kicked out of school...punk.")));
  STATEMENT(286, "PRINT", print_end_line());
  KEY_WAIT(287);  // 287 DO: LOOP UNTIL INKEY$ <> ""
  STATEMENT(288, "END", rt_end());
  return;  // END never returns

  // RETURN: back behind the GOSUB whose return point was popped.
resume:
  switch (point) {
    case 1: goto return_point_1;
    case 2: goto return_point_2;
    case 3: goto return_point_3;
    case 4: goto return_point_4;
    case 5: goto return_point_5;
    case 6: goto return_point_6;
    case 7: goto return_point_7;
    case 8: goto return_point_8;
    case 9: goto return_point_9;
    case 10: goto return_point_10;
    case 11: goto return_point_11;
    case 12: goto return_point_12;
    case 13: goto return_point_13;
    case 14: goto return_point_14;
  }
  goto coffee_ending;  // never reached: rt_return gives only points 1 to 14
}
