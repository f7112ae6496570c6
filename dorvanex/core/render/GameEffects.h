// The game's three effects, compiled into the program at build time: vertex-lit ("gouraud",
// id 1), pixel-lit ("phong", id 3) and skinned ("vtxblend", id 2). Each is created from memory
// under its id with the technique list below and its path as shared name; no file is read.
#pragma once

#include <cstdint>

class ZqGlShader;

enum GAME_EFFECT : uint32_t {
    GAME_EFFECT_GOURAUD = 0,
    GAME_EFFECT_PHONG = 1,
    GAME_EFFECT_VERTEX_BLEND = 2,
};
constexpr uint32_t NR_GAME_EFFECTS = 3;

// The effect's id, path ("shaders/....fxo") and null-terminated technique names.
unsigned char getGameEffectId(GAME_EFFECT effect);
const char16_t* getGameEffectPath(GAME_EFFECT effect);
const char16_t** getGameEffectTechniques(GAME_EFFECT effect);
// Creates the effect; null on failure (not fatal to the caller).
ZqGlShader* createGameEffect(GAME_EFFECT effect);
