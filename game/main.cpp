// Hallway Breakout: the process entry hands the translated program to the runtime.
#include "game/game.h"
#include "runtime/frame/frame.h"

int main(int argc, char **argv) { runtime_main(argc, argv, game_main_module); }
