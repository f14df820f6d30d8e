// The translated main module. Until the adventure's statements land, the program is a
// single END.
#include "game/game.h"
#include "runtime/frame/frame.h"

void game_main_module() { rt_end(); }
