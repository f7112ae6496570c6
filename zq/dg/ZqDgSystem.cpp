#include "zq/dg/ZqDgSystem.h"

#include "zq/dg/ZqDgClothSimulator.h"
#include "zq/dg/ZqDgCollision.h"
#include "zq/dg/ZqDgObbTree.h"
#include "zq/dg/ZqDgRigid.h"

void ZqDgSystem::sysInit() {
    ZqDgClothSimulator::sysInit();
    ZqDgRigid::sysInit();
    ZqDgObbTree::sysInit();
    ZqDgCollision::sysInit();
}

void ZqDgSystem::sysQuit() {
    ZqDgClothSimulator::sysQuit();
    ZqDgRigid::sysQuit();
    ZqDgObbTree::sysQuit();
    ZqDgCollision::sysQuit();
}
