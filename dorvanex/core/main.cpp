// The game program.
#include "dorvanex/core/GameEntry.h"

int main(int argc, char** argv) {
    return gameMain(argc, argv);
}
