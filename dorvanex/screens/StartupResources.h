// The resident resource list the start-up chapter queues into bank 0 before anything else
// runs: the sound list, the fonts, the common layouts (their textures follow through the
// layout loader), the common textures and the common sound effects. What the background,
// the test menu and every screen take from bank 0 is on it.
#pragma once

#include "dorvanex/scene/CResourceManager.h"

// The list, ended by a pair of kind 0; built once from the manifest, valid for the run.
const CResourceManager::Pair* getStartupResourceList();
