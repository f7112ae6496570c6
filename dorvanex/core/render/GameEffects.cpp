#include "dorvanex/core/render/GameEffects.h"

#include "zq/gl/ZqGlShader.h"

namespace dorvanex_effect {
extern const unsigned char GOURAUD[];
extern const unsigned int GOURAUD_SIZE;
extern const unsigned char PHONG[];
extern const unsigned int PHONG_SIZE;
extern const unsigned char VTXBLEND[];
extern const unsigned int VTXBLEND_SIZE;
} // namespace dorvanex_effect

namespace {

const char16_t* LIT_TECHNIQUES[] = {u"Diffuse", u"Tex",           u"DiffuseTex", u"DiffuseFog",
                                    u"TexFog",  u"DiffuseTexFog", nullptr};
const char16_t* BLEND_TECHNIQUES[] = {
    u"Diffuse",       u"Tex",    u"DiffuseTex",       u"DiffuseFog", u"TexFog",
    u"DiffuseTexFog", u"Shadow", u"DiffuseTexNoSpec", nullptr};

struct Effect {
    unsigned char id;
    const char16_t* path;
    const char16_t** techniques;
    const unsigned char* data;
    const unsigned int* size;
};

const Effect EFFECTS[NR_GAME_EFFECTS] = {
    {1, u"shaders/gouraud.fxo", LIT_TECHNIQUES, dorvanex_effect::GOURAUD,
     &dorvanex_effect::GOURAUD_SIZE},
    {3, u"shaders/phong.fxo", LIT_TECHNIQUES, dorvanex_effect::PHONG, &dorvanex_effect::PHONG_SIZE},
    {2, u"shaders/vtxblend.fxo", BLEND_TECHNIQUES, dorvanex_effect::VTXBLEND,
     &dorvanex_effect::VTXBLEND_SIZE},
};

} // namespace

unsigned char getGameEffectId(const GAME_EFFECT effect) {
    return EFFECTS[effect % NR_GAME_EFFECTS].id;
}

const char16_t* getGameEffectPath(const GAME_EFFECT effect) {
    return EFFECTS[effect % NR_GAME_EFFECTS].path;
}

const char16_t** getGameEffectTechniques(const GAME_EFFECT effect) {
    return EFFECTS[effect % NR_GAME_EFFECTS].techniques;
}

ZqGlShader* createGameEffect(const GAME_EFFECT effect) {
    const Effect& e = EFFECTS[effect % NR_GAME_EFFECTS];
    return ZqGlShader::create(e.id, e.path, e.data, *e.size, nullptr, e.techniques);
}
