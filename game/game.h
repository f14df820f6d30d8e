// Hallway Breakout, the translated BASIC program.
#pragma once

// The main module: runs the program's statements on the program thread; never returns.
void game_main_module();
