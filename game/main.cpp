// Empty Streets: the process entry hands the adventure's main routine to the runtime.
#include "game/turn_loop.h"
#include "runtime/startup.h"

int main(int argc, char** argv) {
    return rt_main(argc, argv, game_main);
}
