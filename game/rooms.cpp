// The room table of Hallway Breakout: the exit text of every room (lines 18-29), the
// twelve room-text subroutines (lines 206-265) and the moves out of every room (the four
// movement blocks of handle_command). Rooms are known only by their number, 1 to 12.
#include "game/basic.h"
#include "game/program.h"

namespace {
const uint32_t &routine_mark = main_frame.temp_mark;

// exits(n) as the target of an assignment.
BasicString *exit_text(int32_t n) { return rt_string_element(main_vars.exits, n); }
}  // namespace

void room_exit_texts() {
  STATEMENT(18, "exits(1) = \"EAST\"", bstr_set(exit_text(1), LIT("EAST")));
  STATEMENT(19, "exits(2) = \"NORTH, EAST, OR WEST\"", bstr_set(exit_text(2), LIT("NORTH, EAST, OR WEST")));
  STATEMENT(20, "exits(3) = \"NORTH OR SOUTH\"", bstr_set(exit_text(3), LIT("NORTH OR SOUTH")));
  STATEMENT(21, "exits(4) = \"NORTH OR SOUTH\"", bstr_set(exit_text(4), LIT("NORTH OR SOUTH")));
  STATEMENT(22, "exits(5) = \"EAST, WEST, OR SOUTH\"", bstr_set(exit_text(5), LIT("EAST, WEST, OR SOUTH")));
  STATEMENT(23, "exits(6) = \"EAST\"", bstr_set(exit_text(6), LIT("EAST")));
  STATEMENT(24, "exits(7) = \"EAST OR WEST\"", bstr_set(exit_text(7), LIT("EAST OR WEST")));
  STATEMENT(25, "exits(8) = \"WEST OR SOUTH\"", bstr_set(exit_text(8), LIT("WEST OR SOUTH")));
  STATEMENT(26, "exits(9) = \"NORTH OR SOUTH\"", bstr_set(exit_text(9), LIT("NORTH OR SOUTH")));
  STATEMENT(27, "exits(10) = \"NORTH OR SOUTH\"", bstr_set(exit_text(10), LIT("NORTH OR SOUTH")));
  STATEMENT(28, "exits(11) = \"NORTH OR WEST\"", bstr_set(exit_text(11), LIT("NORTH OR WEST")));
  STATEMENT(29, "exits(12) = \"EAST OR WEST\"", bstr_set(exit_text(12), LIT("EAST OR WEST")));
}

// GOSUB room_n lands on the label of room n. The subroutines follow one another as in the
// source: a RETURN that fails (nothing to return to) leaves its error to the check and goes
// on with the next line, the next room's label.
uint32_t room_text(int32_t n) {
  uint32_t point = 0;
  switch (n) {
    case 1: goto room_1;
    case 2: goto room_2;
    case 3: goto room_3;
    case 4: goto room_4;
    case 5: goto room_5;
    case 6: goto room_6;
    case 7: goto room_7;
    case 8: goto room_8;
    case 9: goto room_9;
    case 10: goto room_10;
    case 11: goto room_11;
    case 12: goto room_12;
    default: return 0;
  }
room_1:
  label_line(206);  // room_1:
  STATEMENT(207, "PRINT \"You are standiung at your desk, wondering just where the hell\"",
            print_line(LIT("You are standiung at your desk, wondering just where the hell")));
  STATEMENT(208, "PRINT \"everyone went? A strong smell of bleach fills the air.\"",
            print_line(LIT("everyone went? A strong smell of bleach fills the air.")));
  STATEMENT(209, "RETURN", if ((point = rt_return(HIGHEST_RETURN_POINT))) return point);
room_2:
  label_line(211);  // room_2:
  STATEMENT(212, "PRINT \"Standing in the large hallway. Everyone is gone, not a soul in sight,\"",
            print_line(LIT("Standing in the large hallway. Everyone is gone, not a soul in sight,")));
  STATEMENT(213, "PRINT \"just silence.\"",
            print_line(LIT("just silence.")));
  STATEMENT(214, "RETURN", if ((point = rt_return(HIGHEST_RETURN_POINT))) return point);
room_3:
  label_line(216);  // room_3:
  STATEMENT(217, "PRINT \"Every step you take in the abandoned hallway adds on the fear. Your\"",
            print_line(LIT("Every step you take in the abandoned hallway adds on the fear. Your")));
  STATEMENT(218, "PRINT \"footsteps echo through the confines of the hall. You think it maybe\"",
            print_line(LIT("footsteps echo through the confines of the hall. You think it maybe")));
  STATEMENT(219, "PRINT \"taco Tuesday?\"",
            print_line(LIT("taco Tuesday?")));
  STATEMENT(220, "RETURN", if ((point = rt_return(HIGHEST_RETURN_POINT))) return point);
room_4:
  label_line(222);  // room_4:
  STATEMENT(223, "PRINT \"The hammering sound of the clock hanging on the wall, ticking away.\"",
            print_line(LIT("The hammering sound of the clock hanging on the wall, ticking away.")));
  STATEMENT(224, "PRINT \"Though the hands don't seem to be moving at all.\"",
            print_line(LIT("Though the hands don't seem to be moving at all.")));
  STATEMENT(225, "RETURN", if ((point = rt_return(HIGHEST_RETURN_POINT))) return point);
room_5:
  label_line(227);  // room_5:
  STATEMENT(228, "PRINT \"Standing before like a drunk old homeless man, is Mr. Walter. He looks\"",
            print_line(LIT("Standing before like a drunk old homeless man, is Mr. Walter. He looks")));
  STATEMENT(229, "PRINT \"completely out of it. Probably just a late night.\"",
            print_line(LIT("completely out of it. Probably just a late night.")));
  STATEMENT(230, "RETURN", if ((point = rt_return(HIGHEST_RETURN_POINT))) return point);
room_6:
  label_line(232);  // room_6:
  STATEMENT(233, "PRINT \"An exit, a way out of this school, and it will allow you to head\"",
            print_line(LIT("An exit, a way out of this school, and it will allow you to head")));
  STATEMENT(234, "PRINT \"home. But alas it's locked.\"",
            print_line(LIT("home. But alas it's locked.")));
  STATEMENT(235, "RETURN", if ((point = rt_return(HIGHEST_RETURN_POINT))) return point);
room_7:
  label_line(237);  // room_7:
  STATEMENT(238, "PRINT \"Is it lunch? Has someone called in a bomb threat again? This is too\"",
            print_line(LIT("Is it lunch? Has someone called in a bomb threat again? This is too")));
  STATEMENT(239, "PRINT \"quiet for school.\"",
            print_line(LIT("quiet for school.")));
  STATEMENT(240, "RETURN", if ((point = rt_return(HIGHEST_RETURN_POINT))) return point);
room_8:
  label_line(242);  // room_8:
  STATEMENT(243, "PRINT \"The usual wall of posters trying to tell kids to not smoke or to\"",
            print_line(LIT("The usual wall of posters trying to tell kids to not smoke or to")));
  STATEMENT(244, "PRINT \"drink are covering the walls. But alas they have no effect.\"",
            print_line(LIT("drink are covering the walls. But alas they have no effect.")));
  STATEMENT(245, "RETURN", if ((point = rt_return(HIGHEST_RETURN_POINT))) return point);
room_9:
  label_line(247);  // room_9:
  STATEMENT(248, "PRINT \"In the distance you see a large slab of human flesh. Blocking half\"",
            print_line(LIT("In the distance you see a large slab of human flesh. Blocking half")));
  STATEMENT(249, "PRINT \"the hallway...great.\"",
            print_line(LIT("the hallway...great.")));
  STATEMENT(250, "RETURN", if ((point = rt_return(HIGHEST_RETURN_POINT))) return point);
room_10:
  label_line(252);  // room_10:
  STATEMENT(253, "PRINT \"The large twenty year old student, who failed more times than he\"",
            print_line(LIT("The large twenty year old student, who failed more times than he")));
  STATEMENT(254, "PRINT \"can remember himself, stands before you. Going by the name of Buck.\"",
            print_line(LIT("can remember himself, stands before you. Going by the name of Buck.")));
  STATEMENT(255, "RETURN", if ((point = rt_return(HIGHEST_RETURN_POINT))) return point);
room_11:
  label_line(257);  // room_11:
  STATEMENT(258, "PRINT \"You see a closed classroom, with the sign nailed to it reading\"",
            print_line(LIT("You see a closed classroom, with the sign nailed to it reading")));
  STATEMENT(259, "PRINT \"-No Hot Drinks in Hallway.-\"",
            print_line(LIT("-No Hot Drinks in Hallway.-")));
  STATEMENT(260, "RETURN", if ((point = rt_return(HIGHEST_RETURN_POINT))) return point);
room_12:
  label_line(262);  // room_12:
  STATEMENT(263, "PRINT \"You are standing in an empty hallway. Not a sound can be heard nor a\"",
            print_line(LIT("You are standing in an empty hallway. Not a sound can be heard nor a")));
  STATEMENT(264, "PRINT \"whisper muttered.\"",
            print_line(LIT("whisper muttered.")));
  STATEMENT(265, "RETURN", if ((point = rt_return(HIGHEST_RETURN_POINT))) return point);
  return 0;
}

// 123: IF command = "GO NORTH" OR command = "NORTH" OR command = "N" THEN
bool room_move_north() {
  if (IF_TAKEN(124, "IF room = 2 THEN", *main_vars.room == 2)) {
    STATEMENT(124, "room = 3", *main_vars.room = 3);
    return true;  // 124 GOTO command_done
  }
  if (IF_TAKEN(125, "IF room = 3 THEN", *main_vars.room == 3)) {
    STATEMENT(125, "room = 4", *main_vars.room = 4);
    return true;  // 125 GOTO command_done
  }
  if (IF_TAKEN(126, "IF room = 4 THEN", *main_vars.room == 4)) {
    STATEMENT(126, "room = 5", *main_vars.room = 5);
    return true;  // 126 GOTO command_done
  }
  if (IF_TAKEN(127, "IF room = 11 THEN", *main_vars.room == 11)) {
    STATEMENT(127, "room = 10", *main_vars.room = 10);
    return true;  // 127 GOTO command_done
  }
  if (IF_TAKEN(128, "IF room = 10 THEN", *main_vars.room == 10)) {
    STATEMENT(128, "room = 9", *main_vars.room = 9);
    return true;  // 128 GOTO command_done
  }
  if (IF_TAKEN(129, "IF room = 9 THEN", *main_vars.room == 9)) {
    STATEMENT(129, "room = 8", *main_vars.room = 8);
    return true;  // 129 GOTO command_done
  }
  return false;
}

// 131: IF command = "GO EAST" OR command = "EAST" OR command = "E" THEN
bool room_move_east() {
  if (IF_TAKEN(132, "IF room = 6 THEN", *main_vars.room == 6)) {
    STATEMENT(132, "room = 5", *main_vars.room = 5);
    return true;  // 132 GOTO command_done
  }
  if (IF_TAKEN(133, "IF room = 5 THEN", *main_vars.room == 5)) {
    STATEMENT(133, "room = 7", *main_vars.room = 7);
    return true;  // 133 GOTO command_done
  }
  if (IF_TAKEN(134, "IF room = 7 THEN", *main_vars.room == 7)) {
    STATEMENT(134, "room = 8", *main_vars.room = 8);
    return true;  // 134 GOTO command_done
  }
  if (IF_TAKEN(135, "IF room = 1 THEN", *main_vars.room == 1)) {
    STATEMENT(135, "room = 2", *main_vars.room = 2);
    return true;  // 135 GOTO command_done
  }
  if (IF_TAKEN(136, "IF room = 2 THEN", *main_vars.room == 2)) {
    STATEMENT(136, "room = 12", *main_vars.room = 12);
    return true;  // 136 GOTO command_done
  }
  if (IF_TAKEN(137, "IF room = 12 THEN", *main_vars.room == 12)) {
    STATEMENT(137, "room = 11", *main_vars.room = 11);
    return true;  // 137 GOTO command_done
  }
  return false;
}

// 139: IF command = "GO SOUTH" OR command = "SOUTH" OR command = "S" THEN
bool room_move_south() {
  if (IF_TAKEN(140, "IF room = 5 THEN", *main_vars.room == 5)) {
    STATEMENT(140, "room = 4", *main_vars.room = 4);
    return true;  // 140 GOTO command_done
  }
  if (IF_TAKEN(141, "IF room = 4 THEN", *main_vars.room == 4)) {
    STATEMENT(141, "room = 3", *main_vars.room = 3);
    return true;  // 141 GOTO command_done
  }
  if (IF_TAKEN(142, "IF room = 3 THEN", *main_vars.room == 3)) {
    STATEMENT(142, "room = 2", *main_vars.room = 2);
    return true;  // 142 GOTO command_done
  }
  if (IF_TAKEN(143, "IF room = 8 THEN", *main_vars.room == 8)) {
    STATEMENT(143, "room = 9", *main_vars.room = 9);
    return true;  // 143 GOTO command_done
  }
  if (IF_TAKEN(144, "IF room = 9 THEN", *main_vars.room == 9)) {
    STATEMENT(144, "room = 10", *main_vars.room = 10);
    return true;  // 144 GOTO command_done
  }
  if (IF_TAKEN(145, "IF room = 10 THEN", *main_vars.room == 10)) {
    STATEMENT(145, "room = 11", *main_vars.room = 11);
    return true;  // 145 GOTO command_done
  }
  return false;
}

// 147: IF command = "GO WEST" OR command = "WEST" OR command = "W" THEN
bool room_move_west() {
  if (IF_TAKEN(148, "IF room = 8 THEN", *main_vars.room == 8)) {
    STATEMENT(148, "room = 7", *main_vars.room = 7);
    return true;  // 148 GOTO command_done
  }
  if (IF_TAKEN(149, "IF room = 7 THEN", *main_vars.room == 7)) {
    STATEMENT(149, "room = 5", *main_vars.room = 5);
    return true;  // 149 GOTO command_done
  }
  if (IF_TAKEN(150, "IF room = 5 THEN", *main_vars.room == 5)) {
    STATEMENT(150, "room = 6", *main_vars.room = 6);
    return true;  // 150 GOTO command_done
  }
  if (IF_TAKEN(151, "IF room = 11 THEN", *main_vars.room == 11)) {
    STATEMENT(151, "room = 12", *main_vars.room = 12);
    return true;  // 151 GOTO command_done
  }
  if (IF_TAKEN(152, "IF room = 12 THEN", *main_vars.room == 12)) {
    STATEMENT(152, "room = 2", *main_vars.room = 2);
    return true;  // 152 GOTO command_done
  }
  if (IF_TAKEN(153, "IF room = 2 THEN", *main_vars.room == 2)) {
    STATEMENT(153, "room = 1", *main_vars.room = 1);
    return true;  // 153 GOTO command_done
  }
  return false;
}
