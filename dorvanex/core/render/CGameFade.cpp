#include "dorvanex/core/render/CGameFade.h"

#include "zq/gl/ZqGlPrimitive.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/gl/ZqGlState.h"
#include "zq/gl/ZqGlTexture.h"

int32_t CGameFade::m_color = CGameFade::COLOR_BLACK;
int32_t CGameFade::m_state = CGameFade::STATE_IDLE;
uint32_t CGameFade::m_duration = 0;
uint32_t CGameFade::m_elapsed = 0;

namespace {

constexpr uint32_t TEXTURE_SIDE = 16;
constexpr uint16_t DRAW_PRIORITY = 6;
constexpr unsigned int FADE_TECHNIQUE = 7;

} // namespace

CGameFade::~CGameFade() {
    releaseTextures();
}

void CGameFade::releaseTextures() {
    for (ZqGlTexture** texture : {&m_pBlack, &m_pWhite}) {
        if (*texture != nullptr) {
            (*texture)->release();
            *texture = nullptr;
        }
    }
}

ZqGlTexture* CGameFade::makeTexture(const uint32_t argb) {
    ZqGlTexture* const texture = ZqGlTexture::createDynamic(TEXTURE_SIDE, TEXTURE_SIDE);
    if (texture == nullptr) {
        return nullptr;
    }
    unsigned int pitch = 0;
    void* bits = nullptr;
    if (texture->lock(&pitch, &bits)) {
        for (uint32_t y = 0; y < TEXTURE_SIDE; ++y) {
            auto* const row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(bits) +
                                                          static_cast<size_t>(y) * pitch);
            for (uint32_t x = 0; x < TEXTURE_SIDE; ++x) {
                row[x] = argb;
            }
        }
        texture->unlock();
    }
    return texture;
}

uint32_t CGameFade::init() {
    m_pBlack = makeTexture(0xFF000000u);
    m_pWhite = makeTexture(0xFFFFFFFFu);
    return 0;
}

void CGameFade::startFadeOutColor(const int32_t color, const uint32_t ms) {
    m_color = color;
    m_duration = ms;
    m_elapsed = 0;
    m_state = STATE_FADE_OUT;
}

void CGameFade::startFadeInColor(const int32_t color, const uint32_t ms) {
    m_color = color;
    m_duration = ms;
    m_elapsed = 0;
    m_state = STATE_FADE_IN;
}

float CGameFade::getAlpha() {
    const float part =
        m_duration == 0 ? 1.0f : static_cast<float>(m_elapsed) / static_cast<float>(m_duration);
    switch (m_state) {
    case STATE_FADE_IN:
        return 1.0f - part;
    case STATE_FADE_OUT:
        return part;
    case STATE_COVERED:
        return 1.0f;
    default:
        return 0.0f;
    }
}

uint32_t CGameFade::main1(const float timeTick) {
    if (m_state == STATE_FADE_IN || m_state == STATE_FADE_OUT) {
        m_elapsed += timeTick > 0.0f ? static_cast<uint32_t>(timeTick) : 0u;
        if (m_elapsed >= m_duration) {
            m_elapsed = m_duration;
            m_state = m_state == STATE_FADE_IN ? STATE_IDLE : STATE_COVERED;
        }
    }
    addDrawTask(DRAW_PRIORITY, 0.0f);
    return 0;
}

void CGameFade::draw(float) {
    if (m_state == STATE_IDLE) {
        return;
    }
    ZqGlShader* const shader = ZqGlShader::getDefaultShader();
    ZqGlState* const state = ZqGlState::getCurrent();
    ZqGlPrimitive* const quad = ZqGlPrimitive::getFullScreenPrimitive();
    if (shader == nullptr || state == nullptr || quad == nullptr) {
        return;
    }
    const uint32_t previousDiffuse = state->getDiffuse();
    shader->setTechnique(FADE_TECHNIQUE);
    shader->setParamTexture(0, m_color == COLOR_WHITE ? m_pWhite : m_pBlack);
    state->setCullMode(ZqGlState::CULLMODE_NONE);
    state->setAlphaBlendEnable(true);
    state->setSrcBlend(ZqGlState::BLEND_SRCALPHA);
    state->setDestBlend(ZqGlState::BLEND_INVSRCALPHA);
    state->setDiffuse(1.0f, 1.0f, 1.0f, getAlpha());
    const unsigned int passes = shader->beginTechnique();
    for (unsigned int pass = 0; pass < passes; ++pass) {
        if (shader->beginPass(pass)) {
            quad->draw();
            shader->endPass();
        }
    }
    shader->endTechnique();
    state->setDiffuse(previousDiffuse);
}

bool isFadeOutFinished() {
    return CGameFade::isFadedOut();
}

bool isFadeInFinished() {
    return CGameFade::isFadeIdle();
}
