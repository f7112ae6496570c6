// Drawing models: bone palettes into the effect's model-view array, the texture matrix, the
// vertex-blend flags, sphere culling against the current camera, materials into the current
// render-state block, sampler states per stage, blended submodels sorted far to near.
#include "zq/gl/ZqGlCamera.h"
#include "zq/gl/ZqGlModel.h"
#include "zq/gl/ZqGlPrimitive.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/gl/ZqGlState.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/gl/ZqGlTextureAnimation.h"
#include "zq/gl/ZqGlTextureAnimationPlayer.h"

#include <algorithm>

namespace {

const ZqMatrix& viewMatrix() {
    const ZqGlCamera* const camera = ZqGlCamera::getCurrent();
    return camera != nullptr ? camera->getWorldViewMatrix() : ZqMatrix::UNIT;
}

bool visible(const ZqVector3& centre, const float radius) {
    const ZqGlCamera* const camera = ZqGlCamera::getCurrent();
    return camera == nullptr || camera->intersect(ZqDgSphere(centre, radius));
}

} // namespace

void ZqGlModel::calcSubmodelBoundingSphereCenterToView(const Submodel& s,
                                                       const ZqMatrix* const boneMatrices,
                                                       const ZqMatrix* const world,
                                                       ZqVector3& out) const {
    const ZqVector3& c = s.sphere.getCenter();
    const ZqMatrix& view = viewMatrix();
    if (boneMatrices == nullptr && world != nullptr) {
        out = c * (*world * view);
        return;
    }
    ZqMatrix read[48];
    if (boneMatrices == nullptr) {
        ZqGlShader* const shader = ZqGlShader::getCurrent();
        if (shader != nullptr) {
            shader->getParamModelViewMatrixArray(read, s.paletteLength);
        }
    }
    out = ZqVector3(0.0f, 0.0f, 0.0f);
    for (int r = 0; r < 4; ++r) {
        const float w = s.mainBoneWeights[r];
        if (w == 0.0f || s.mainBones[r] >= s.paletteLength) {
            continue;
        }
        ZqVector3 p;
        if (boneMatrices != nullptr) {
            ZqMatrix m;
            calcModelWorldMatrix(boneMatrices, world, s.palette[s.mainBones[r]], m);
            p = c * (m * view);
        } else {
            p = c * read[s.mainBones[r]];
        }
        out = out + p * w;
    }
}

bool ZqGlModel::isCulled(const ZqMatrix* const boneMatrices, const ZqMatrix* const world) const {
    (void)boneMatrices;
    if (!m_cullingEnable) {
        return false;
    }
    ZqVector3 centre;
    if (world != nullptr) {
        centre = m_body.sphere.getCenter() * (*world * viewMatrix());
    } else {
        ZqMatrix first = ZqMatrix::UNIT;
        ZqGlShader* const shader = ZqGlShader::getCurrent();
        if (shader != nullptr) {
            shader->getParamModelViewMatrix(first);
        }
        centre = m_body.sphere.getCenter() * first;
    }
    return !visible(centre, m_body.sphere.getRadius());
}

bool ZqGlModel::isSubmodelCulled(const Submodel& s, const ZqMatrix* const boneMatrices,
                                 const ZqMatrix* const world) const {
    if (!m_cullingEnable) {
        return false;
    }
    ZqVector3 centre;
    calcSubmodelBoundingSphereCenterToView(s, boneMatrices, world, centre);
    return !visible(centre, s.sphere.getRadius());
}

void ZqGlModel::setPalette(ZqGlShader* const shader, const Submodel& s,
                           const ZqMatrix* const boneMatrices, const ZqMatrix* const world) {
    if (boneMatrices != nullptr) {
        ZqMatrix* const out = m_body.modelMatrices.data();
        for (uint32_t j = 0; j < s.paletteLength; ++j) {
            calcModelWorldMatrix(boneMatrices, world, s.palette[j], out[j]);
        }
        shader->setParamModelViewMatrixArray(out, s.paletteLength);
    } else if (world != nullptr) {
        shader->setParamModelViewMatrix(*world);
    }
}

void ZqGlModel::bindTextures(ZqGlShader* const shader, const Submodel& s,
                             ZqGlTexture* const* const textures, const bool samplers) const {
    if (textures == nullptr) {
        return;
    }
    for (uint32_t k = 0; k < s.nrStages; ++k) {
        shader->setParamTexture(k, textures[s.textures[k]]);
        if (samplers) {
            const TextureEntry& t = m_body.textures[s.textures[k]];
            ZqGlState::setTextureAddressingU(k, static_cast<ZqGlState::TEXADDR>(t.addressU));
            ZqGlState::setTextureAddressingV(k, static_cast<ZqGlState::TEXADDR>(t.addressV));
            ZqGlState::setTextureAddressingW(k, static_cast<ZqGlState::TEXADDR>(t.addressW));
            ZqGlState::setTextureMagFilter(k, static_cast<ZqGlState::TEXFILTER>(t.magFilter));
            ZqGlState::setTextureMinFilter(k, static_cast<ZqGlState::TEXFILTER>(t.minFilter));
            ZqGlState::setTextureMipFilter(k, static_cast<ZqGlState::TEXFILTER>(t.mipFilter));
        }
    }
}

void ZqGlModel::setTextureAnimationMatrix(ZqGlShader* const shader, const uint64_t materialNameId,
                                          ZqGlTextureAnimationPlayer* const* const players,
                                          const unsigned int nrPlayers) {
    for (unsigned int i = 0; i < nrPlayers; ++i) {
        const ZqGlTextureAnimationPlayer* const player = players[i];
        if (player == nullptr || player->getTextureAnimation() == nullptr) {
            continue;
        }
        const ZqGlTextureAnimation* const animation = player->getTextureAnimation();
        for (uint32_t j = 0; j < animation->getNrSubTextureAnimations(); ++j) {
            if (animation->getMaterialNameId(j) == materialNameId) {
                shader->setParamTextureMatrix(player->getMatrix(j));
                return;
            }
        }
    }
    shader->setParamTextureMatrix(ZqMatrix::UNIT);
}

void ZqGlModel::setSubmodelParams(ZqGlShader* const shader, const Submodel& s,
                                  ZqGlTexture* const* const textures, const bool samplers,
                                  const ZqMatrix* const boneMatrices, const ZqMatrix* const world,
                                  ZqGlTextureAnimationPlayer* const* const players,
                                  const unsigned int nrPlayers) {
    bindTextures(shader, s, textures, samplers);
    setPalette(shader, s, boneMatrices, world);
    if (players != nullptr) {
        setTextureAnimationMatrix(shader, s.material->nameId, players, nrPlayers);
    }
    const float flags[3] = {s.nrBlendWeights >= 1 ? 1.0f : 0.0f,
                            s.nrBlendWeights >= 2 ? 1.0f : 0.0f,
                            s.nrBlendWeights >= 3 ? 1.0f : 0.0f};
    shader->setParamFloatArray(ZqGlShader::PARAM_VERTEX_BLEND_FLAGS, flags, 3);
}

void ZqGlModel::drawSubmodel(ZqGlShader* const shader, const Submodel& s,
                             ZqGlTexture* const* const textures, const ZqMatrix* const boneMatrices,
                             const ZqMatrix* const world,
                             ZqGlTextureAnimationPlayer* const* const players,
                             const unsigned int nrPlayers) {
    setSubmodelParams(shader, s, textures, false, boneMatrices, world, players, nrPlayers);
    shader->commitParamChanges();
    if (s.primitive != nullptr) {
        s.primitive->draw();
    }
}

void ZqGlModel::drawSubmodelMaterial(ZqGlShader* const shader, const Submodel& s,
                                     ZqGlTexture* const* const textures,
                                     const ZqMatrix* const boneMatrices,
                                     const ZqMatrix* const world,
                                     ZqGlTextureAnimationPlayer* const* const players,
                                     const unsigned int nrPlayers) {
    setSubmodelParams(shader, s, textures, true, boneMatrices, world, players, nrPlayers);
    if (shader->beginTechnique() == 0) {
        return;
    }
    if (shader->beginPass(0)) {
        if (s.primitive != nullptr) {
            s.primitive->draw();
        }
        shader->endPass();
    }
    shader->endTechnique();
}

void ZqGlModel::setMaterial(const Material& m, ZqGlState* const state) {
    if (state == nullptr) {
        return;
    }
    state->setAmbient(m.ambient);
    state->setDiffuse(m.diffuse);
    state->setSpecular(m.specular);
    if (state->getShininess() != m.shininess) {
        state->setShininess(m.shininess);
    }
    state->setCullMode(static_cast<ZqGlState::CULLMODE>(m.cullMode));
    if (m.alphaFunc == Material::OFF) {
        state->setAlphaTestEnable(false);
    } else {
        state->setAlphaTestEnable(true);
        state->setAlphaFunc(static_cast<ZqGlState::CMPFUNC>(m.alphaFunc));
        state->setAlphaRef(m.alphaRef);
    }
    state->setZWriteEnable(m.depthWrite != 0);
    state->setZFunc(static_cast<ZqGlState::CMPFUNC>(m.depthFunc));
    if (m.blendOp == Material::OFF) {
        state->setAlphaBlendEnable(false);
    } else {
        state->setAlphaBlendEnable(true);
        state->setBlendOp(static_cast<ZqGlState::BLENDOP>(m.blendOp));
    }
    state->setSrcBlend(static_cast<ZqGlState::BLEND>(m.srcBlend));
    state->setDestBlend(static_cast<ZqGlState::BLEND>(m.dstBlend));
    if (m.useBlendFactor) {
        state->setBlendFactor(m.blendFactor);
    }
}

ZqGlShader* ZqGlModel::selectShader(const Material& m, const unsigned int shaderOffset) {
    ZqGlShader* const shader =
        ZqGlShader::getShader(static_cast<unsigned char>((m.shader + shaderOffset) % 256));
    if (shader == nullptr) {
        return ZqGlShader::getCurrent();
    }
    // A technique that cannot be set leaves the previous shader current; the material's
    // shader still takes the parameters and draws.
    shader->setTechnique(m.technique);
    return shader;
}

void ZqGlModel::draw(ZqGlTexture* const* const textures, const ZqMatrix* const boneMatrices,
                     const ZqMatrix* const world, ZqGlTextureAnimationPlayer* const* const players,
                     const unsigned int nrPlayers) {
    ZqGlShader* const shader = ZqGlShader::getCurrent();
    if (shader == nullptr || isCulled(boneMatrices, world)) {
        return;
    }
    if (players == nullptr) {
        shader->setParamTextureMatrix(ZqMatrix::UNIT);
    }
    for (const Submodel& s : m_body.submodels) {
        drawSubmodel(shader, s, textures, boneMatrices, world, players, nrPlayers);
    }
}

void ZqGlModel::draw(const unsigned int submodel, ZqGlTexture* const* const textures,
                     const ZqMatrix* const boneMatrices, const ZqMatrix* const world,
                     ZqGlTextureAnimationPlayer* const* const players,
                     const unsigned int nrPlayers) {
    ZqGlShader* const shader = ZqGlShader::getCurrent();
    const Submodel& s = m_body.submodels[submodel];
    if (shader == nullptr || isSubmodelCulled(s, boneMatrices, world)) {
        return;
    }
    if (players == nullptr) {
        shader->setParamTextureMatrix(ZqMatrix::UNIT);
    }
    drawSubmodel(shader, s, textures, boneMatrices, world, players, nrPlayers);
}

void ZqGlModel::drawMaterial(ZqGlTexture* const* const textures, const ZqMatrix* const boneMatrices,
                             const ZqMatrix* const world,
                             ZqGlTextureAnimationPlayer* const* const players,
                             const unsigned int nrPlayers, const unsigned int shaderOffset) {
    if (isCulled(boneMatrices, world)) {
        return;
    }
    const Material* applied = nullptr;
    const auto drawOne = [&](const Submodel& s) {
        if (s.material != applied) {
            setMaterial(*s.material, ZqGlState::getCurrent());
            applied = s.material;
        }
        ZqGlShader* const shader = selectShader(*s.material, shaderOffset);
        if (shader != nullptr) {
            drawSubmodelMaterial(shader, s, textures, boneMatrices, world, players, nrPlayers);
        }
    };
    uint32_t nrAlpha = 0;
    for (const Submodel& s : m_body.submodels) {
        if (s.material->blendOp == Material::OFF) {
            drawOne(s);
            continue;
        }
        ZqVector3 centre;
        calcSubmodelBoundingSphereCenterToView(s, boneMatrices, world, centre);
        m_vAlphaSortSubmodels[nrAlpha] = {&s, centre.z};
        m_vpAlphaSortSubmodels[nrAlpha] = &m_vAlphaSortSubmodels[nrAlpha];
        ++nrAlpha;
    }
    // Ascending view-space depth: the camera looks down -z, so the farthest comes first.
    std::sort(
        m_vpAlphaSortSubmodels, m_vpAlphaSortSubmodels + nrAlpha,
        [](const AlphaEntry* const a, const AlphaEntry* const b) { return a->depth < b->depth; });
    for (uint32_t i = 0; i < nrAlpha; ++i) {
        drawOne(*m_vpAlphaSortSubmodels[i]->submodel);
    }
}

void ZqGlModel::drawMaterial(const unsigned int submodel, ZqGlTexture* const* const textures,
                             const ZqMatrix* const boneMatrices, const ZqMatrix* const world,
                             ZqGlTextureAnimationPlayer* const* const players,
                             const unsigned int nrPlayers, const unsigned int shaderOffset) {
    const Submodel& s = m_body.submodels[submodel];
    if (isSubmodelCulled(s, boneMatrices, world)) {
        return;
    }
    setMaterial(*s.material, ZqGlState::getCurrent());
    ZqGlShader* const shader = selectShader(*s.material, shaderOffset);
    if (shader != nullptr) {
        drawSubmodelMaterial(shader, s, textures, boneMatrices, world, players, nrPlayers);
    }
}
