// The expected screens, written out from the game's texts.
#include "tests/game/game_expect.h"

namespace {

struct RoomPicture {
  bool north, west, east, south;
  std::vector<std::string> description;
};

const RoomPicture ROOMS[13] = {
    {},
    {false, false, true, false,
     {"You are standiung at your desk, wondering just where the hell",
      "everyone went? A strong smell of bleach fills the air."}},
    {true, true, true, false,
     {"Standing in the large hallway. Everyone is gone, not a soul in sight,", "just silence."}},
    {true, false, false, true,
     {"Every step you take in the abandoned hallway adds on the fear. Your",
      "footsteps echo through the confines of the hall. You think it maybe", "taco Tuesday?"}},
    {true, false, false, true,
     {"The hammering sound of the clock hanging on the wall, ticking away.",
      "Though the hands don't seem to be moving at all."}},
    {false, true, true, true,
     {"Standing before like a drunk old homeless man, is Mr. Walter. He looks",
      "completely out of it. Probably just a late night."}},
    {false, false, true, false,
     {"An exit, a way out of this school, and it will allow you to head",
      "home. But alas it's locked."}},
    {false, true, true, false,
     {"Is it lunch? Has someone called in a bomb threat again? This is too", "quiet for school."}},
    {false, true, false, true,
     {"The usual wall of posters trying to tell kids to not smoke or to",
      "drink are covering the walls. But alas they have no effect."}},
    {true, false, false, true,
     {"In the distance you see a large slab of human flesh. Blocking half",
      "the hallway...great."}},
    {true, false, false, true,
     {"The large twenty year old student, who failed more times than he",
      "can remember himself, stands before you. Going by the name of Buck."}},
    {true, true, false, false,
     {"You see a closed classroom, with the sign nailed to it reading",
      "-No Hot Drinks in Hallway.-"}},
    {false, true, true, false,
     {"You are standing in an empty hallway. Not a sound can be heard nor a",
      "whisper muttered."}},
};

std::string spaces(int n) { return std::string(size_t(n), ' '); }

std::string rtrim(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

}  // namespace

const std::vector<std::string> INTRO_LINES = {
    "", "",
    "You are sitting at a desk in the middle of class when the teacher leaves for",
    "a moment. Then as all the other students begin to leave one by one and you",
    "are left sitting here like a chump. Well, time for you to make a break for it."};

const std::vector<std::string> HELP_LINES = {
    "HERE ARE SOME BASIC COMMANDS THAT CAN BE USED IN THE GAME...",
    "",
    "NORTH, EAST ,SOUTH, AND WEST - MOVE TO AN AVAILABLE LOCATION",
    "EXAMINE (OBJECT)             - EXAMINE AN OBJECT",
    "USE (OBJECT)                 - USE AN OBJECT",
    "TAKE (OBJECT)                - TAKE OR MOVE AN OBJECT",
    "INVENTORY                    - VIEW YOUR INVENTORY",
    "DRINK                        - DRINK BEER",
    "UNLOCK                       - UNLOCK DOOR",
    "HELP                         - VIEW THIS SCREEN",
    "END                          - END GAME",
    "",
    "PRESS ANY KEY..."};

const std::vector<std::string> INVENTORY_LINES = {"INVENTORY...", "", "Pen", "Hot Coffee", "",
                                                  "PRESS ANY KEY..."};

const std::vector<std::string> COFFEE_ENDING = {
    "You throw the hot coffee on the teacher's crotch. He falls",
    "to his knee's and cries in pain. With him down on the ground",
    "you make your way out and head for home. Where your video",
    "games await for you...sigh."};

const std::vector<std::string> PEN_ENDING = {
    "Before you can think it over, you plunge the pen into Buck's",
    "leg. He let's out a cry in pain and falls to the ground.",
    "Everyone runs out to see that Buck has been stabbed and you",
    "sir are kicked out of school...punk."};

const std::vector<std::string> TIMEOUT_ENDING = {
    "You wait around in class until the teacher comes in and is shocked",
    "to see you still waiting for class. You are told to leave and you",
    "hear under the teachers -Punk kid.- So you go home...a loser..."};

const char *const END_PROMPT = "Press any key to continue";

int prompt_row(int room) { return 20 + int(ROOMS[room].description.size()); }

std::vector<std::string> turn_rows(int room, const std::string &typed) {
  const RoomPicture &r = ROOMS[room];
  std::vector<std::string> rows = {
      "", "", "",                                    // rows 3-5: 74 blanks each
      spaces(30) + "Hallway Breakout",               // 6
      "",                                            // 7
      spaces(33) + "Written by",                     // 8
      "",                                            // 9
      spaces(33) + "K.L. Vantor",                    // 10
      "",                                            // 11
      spaces(29) + "A school adventure",             // 12
      "",                                            // 13
      r.north ? spaces(38) + "N" : "",               // 14
      std::string("*---------------------------------* ") + (r.west ? "W" : " ") + " + " +
          (r.east ? "E" : " ") + " *------------------------------------*",  // 15
      r.south ? spaces(38) + "S" : "",               // 16
      "",                                            // 17
      "If you are stuck just type HELP.",            // 18
      "",                                            // 19
  };
  for (const std::string &line : r.description) rows.push_back(line);
  rows.push_back(rtrim("> " + typed));
  while (rows.size() < 28) rows.push_back("");
  return rows;
}

std::vector<std::string> page_rows(const std::vector<std::string> &lines) {
  std::vector<std::string> rows = lines;
  rows.resize(30);
  return rows;
}

bool is_turn_screen(const ScreenCapture &s, int room, const std::string &typed) {
  double left;
  if (s.rows.size() != 30 || !s.rows[0].empty() || !clock_reading(s, &left)) return false;
  return std::vector<std::string>(s.rows.begin() + 2, s.rows.end()) == turn_rows(room, typed);
}

bool is_page(const ScreenCapture &s, const std::vector<std::string> &lines) {
  return s.rows == page_rows(lines);
}
