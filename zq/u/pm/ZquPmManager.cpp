#include "zq/u/pm/ZquPmManager.h"

#include "zq/gl/ZqGlShader.h"
#include "zq/u/pm/DxParticle_internal.h"
#include "zq/u/pm/ParticleManager_internal.h"
#include "zq/u/pm/ZquPmFileLoader.h"

#include <algorithm>
#include <cmath>
#include <new>

ZquPmManager* ZquPmManager::gpm = nullptr;
ZqGlShader* ZquPmManager::shader = nullptr;
ParticleManager* ZquPmManager::pm = nullptr;
ZquPmFileLoader* ZquPmManager::loader = nullptr;
DxParticle* ZquPmManager::dxParticle = nullptr;
std::vector<ZquPmEffect*>* ZquPmManager::p_fx_list = nullptr;
float ZquPmManager::editFPS = 0.0f;
float ZquPmManager::before_tick = 0.0f;
uint64_t ZquPmManager::handle = 0;

namespace {

// What the static pointers point at: owned here.
struct Engine {
    std::unique_ptr<ZquPmManager> token;
    std::unique_ptr<ParticleManager> pm;
    std::unique_ptr<ZquPmFileLoader> loader;
    std::unique_ptr<DxParticle> dx;
    std::unique_ptr<std::vector<ZquPmEffect*>> list;
    std::vector<std::unique_ptr<ZquPmEffect>> effects;
    bool ownShader = false;
};

Engine& engine() {
    static Engine e;
    return e;
}

const char16_t* PARAM_NAMES[] = {u"vecZero",    u"vecOne",   u"vecLook",     u"pad",
                                 u"matView",    u"matProj",  u"matViewProj", u"matLocal",
                                 u"matViewInv", u"matRot90", nullptr};
const char16_t* TECHNIQUE_NAMES[] = {u"Default", u"LineParticle", u"RotParticle", nullptr};

} // namespace

void ZquPmManager::sysInit() {
    engine().list = std::make_unique<std::vector<ZquPmEffect*>>();
    engine().list->reserve(64);
    p_fx_list = engine().list.get();
}

void ZquPmManager::sysQuit() {
    if (gpm != nullptr) {
        gpm->release();
    }
    engine().effects.clear();
    engine().list.reset();
    p_fx_list = nullptr;
}

ZquPmManager* ZquPmManager::createBody(const float fps) {
    Engine& e = engine();
    try {
        e.token = std::make_unique<ZquPmManager>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    e.pm = ParticleManager::create();
    try {
        e.loader = std::make_unique<ZquPmFileLoader>();
    } catch (const std::bad_alloc&) {
        e.loader.reset();
    }
    pm = e.pm.get();
    loader = e.loader.get();
    if (pm != nullptr && loader != nullptr) {
        pm->setTextureTable(loader->textureTable());
    }
    editFPS = fps;
    before_tick = 0.0f;
    gpm = e.token.get();
    return gpm;
}

ZquPmManager* ZquPmManager::create(const float fps, const unsigned char shaderNr) {
    if (createBody(fps) == nullptr) {
        return nullptr;
    }
    shader = ZqGlShader::create(shaderNr, u"shaders/ParticleMagic.fxo",
                                u"shaders/ParticleMagic.fxo", PARAM_NAMES, TECHNIQUE_NAMES);
    engine().ownShader = shader != nullptr;
    if (shader != nullptr) {
        engine().dx = DxParticle::create();
        dxParticle = engine().dx.get();
        if (dxParticle != nullptr) {
            dxParticle->createPrimitives();
        }
    }
    return gpm;
}

ZquPmManager* ZquPmManager::create(const float fps, ZqGlShader* const given) {
    if (createBody(fps) == nullptr) {
        return nullptr;
    }
    shader = given;
    engine().ownShader = false;
    if (shader != nullptr) {
        engine().dx = DxParticle::create();
        dxParticle = engine().dx.get();
        if (dxParticle != nullptr) {
            dxParticle->createPrimitives();
        }
    }
    return gpm;
}

int ZquPmManager::release() {
    reset();
    Engine& e = engine();
    if (shader != nullptr && e.ownShader) {
        ZqGlShader* const def = ZqGlShader::getDefaultShader();
        if (def != nullptr &&
            (ZqGlShader::getCurrent() != def || ZqGlShader::getCurrentTechniqueNr() != 0)) {
            def->setTechnique(0);
        }
        shader->release();
    }
    shader = nullptr;
    e.ownShader = false;
    e.dx.reset();
    dxParticle = nullptr;
    e.pm.reset();
    pm = nullptr;
    e.loader.reset();
    loader = nullptr;
    gpm = nullptr;
    e.token.reset();
    return 0;
}

void ZquPmManager::dropAll() {
    if (p_fx_list == nullptr) {
        return;
    }
    while (!p_fx_list->empty()) {
        drop(p_fx_list->front());
    }
}

void ZquPmManager::reset() {
    dropAll();
    if (pm != nullptr) {
        pm->reset();
    }
}

void ZquPmManager::removeFromList(const ZquPmEffect* const fx) {
    if (p_fx_list != nullptr) {
        p_fx_list->erase(std::remove(p_fx_list->begin(), p_fx_list->end(), fx), p_fx_list->end());
    }
}

void ZquPmManager::drop(ZquPmEffect* const fx) {
    if (pm != nullptr) {
        pm->releaseEffect(&fx->m_param);
    }
    removeFromList(fx);
    if (loader != nullptr) {
        loader->UnLoadPMD(fx->m_pmd);
    }
    auto& owned = engine().effects;
    owned.erase(
        std::remove_if(owned.begin(), owned.end(),
                       [fx](const std::unique_ptr<ZquPmEffect>& p) { return p.get() == fx; }),
        owned.end());
}

void ZquPmManager::update(const float dt) {
    if (dxParticle != nullptr) {
        dxParticle->clear();
    }
    float acc = before_tick + dt;
    const auto step = [](const float s) {
        // Instances first, in list order; the ones that end are dropped.
        if (p_fx_list != nullptr) {
            for (size_t i = 0; i < p_fx_list->size();) {
                ZquPmEffect* const fx = (*p_fx_list)[i];
                if (fx->update(s) == -1) {
                    drop(fx);
                } else {
                    ++i;
                }
            }
        }
        if (pm != nullptr) {
            pm->update();
        }
    };
    if (editFPS == 0.0f) {
        step(0.0f);
    } else {
        const float s = 1000.0f / editFPS;
        while (acc >= s) {
            step(s);
            acc -= s;
        }
    }
    before_tick = acc;
    if (dxParticle != nullptr && pm != nullptr) {
        dxParticle->build(*pm);
    }
}

void ZquPmManager::draw() {
    // The batches were built by update; the caller sets the surrounding render states.
    if (dxParticle == nullptr || shader == nullptr) {
        return;
    }
    ZqGlTexture* const* const textures = loader != nullptr ? loader->textureTable() : nullptr;
    dxParticle->drawRot(*shader, textures);
    dxParticle->drawLine(*shader, textures);
    dxParticle->drawModel(*shader, textures);
}

void ZquPmManager::addEffect(ZquPmEffect* const fx) {
    handle += 1;
    if (handle == 0) {
        handle = 1;
    }
    fx->m_handle = handle;
    if (p_fx_list != nullptr) {
        p_fx_list->push_back(fx);
    }
}

void ZquPmManager::delEffect(ZquPmEffect* const fx) {
    if (pm != nullptr) {
        pm->releaseEffect(&fx->m_param);
    }
    removeFromList(fx);
}

void ZquPmManager::StartEffect(const ZquPm::EMITDATA* const rec, ZquPm::EmitParam* const ep) {
    if (pm != nullptr) {
        pm->startEmitter(rec, ep);
    }
}

ZquPmEffect* ZquPmManager::getEffect(const uint64_t h) {
    if (p_fx_list != nullptr) {
        for (ZquPmEffect* const fx : *p_fx_list) {
            if (fx->m_handle == h) {
                return fx;
            }
        }
    }
    return nullptr;
}

ZqGlTexture* ZquPmManager::getTex(const int n) {
    return loader != nullptr ? loader->getTex(n) : nullptr;
}

int ZquPmManager::getTexNo(const ZqGlTexture* const tex) {
    return pm != nullptr ? pm->getTexNo(tex) : -1;
}

const ZquPm::PMTEXTURE* ZquPmManager::getPmTexture(const ZquPm::PMD_HEADER* const pmd) {
    return loader != nullptr ? loader->getPmTexture(pmd) : nullptr;
}

const ZquPm::PMD_HEADER* ZquPmManager::LoadPMD(const char16_t* const path) {
    return loader != nullptr ? loader->LoadPMD(path) : nullptr;
}

const ZquPm::PMD_HEADER* ZquPmManager::LoadPMD(const void* const image, const uint64_t size) {
    return loader != nullptr ? loader->LoadPMD(image, size) : nullptr;
}

int ZquPmManager::UnLoadPMD(const ZquPm::PMD_HEADER* const pmd) {
    return loader != nullptr ? loader->UnLoadPMD(pmd) : 0;
}

ZquPm::PMTEXTURE* ZquPmManager::LoadPMT(const char16_t* const path) {
    return loader != nullptr ? loader->LoadPMT(path) : nullptr;
}

ZquPm::PMTEXTURE* ZquPmManager::LoadPMT(const void* const image, const uint64_t size,
                                        const char* const path) {
    return loader != nullptr ? loader->LoadPMT(image, size, path) : nullptr;
}

int ZquPmManager::UnLoadPMT(ZquPm::PMTEXTURE* const pmt) {
    return loader != nullptr ? loader->UnLoadPMT(pmt) : 0;
}

// ---- ZquPmEffect --------------------------------------------------------------------------

ZquPmEffect* ZquPmEffect::create(const char16_t* const path, const bool keepBirthRoot) {
    if (ZquPmManager::loader == nullptr || ZquPmManager::p_fx_list == nullptr) {
        return nullptr;
    }
    auto fx = std::make_unique<ZquPmEffect>();
    fx->m_pmd = ZquPmManager::loader->LoadPMD(path);
    return start(std::move(fx), keepBirthRoot);
}

ZquPmEffect* ZquPmEffect::create(const void* const image, const uint64_t size,
                                 const bool keepBirthRoot) {
    if (ZquPmManager::loader == nullptr || ZquPmManager::p_fx_list == nullptr) {
        return nullptr;
    }
    auto fx = std::make_unique<ZquPmEffect>();
    fx->m_pmd = ZquPmManager::loader->LoadPMD(image, size);
    return start(std::move(fx), keepBirthRoot);
}

ZquPmEffect* ZquPmEffect::start(std::unique_ptr<ZquPmEffect> fx, const bool keepBirthRoot) {
    if (fx->m_pmd == nullptr) {
        return nullptr;
    }
    const ZquPm::PMD_HEADER& d = *fx->m_pmd;
    ZquPm::EmitParam& ep = fx->m_param;
    // The motion block holds its defaults (nothing sets it), with which every motion type
    // stands at the origin with the identity transform.
    ep.motionType = d.motionType;
    ep.transform.setIdentity();
    ep.position.setZero();
    ep.liveTarget = &fx->m_liveTarget;
    ep.tint = ZquPm::Rgb{0, 0, 0};
    ep.scale = 1.0f;
    ep.keepBirthRoot = keepBirthRoot;
    ep.texList = ZquPmManager::getPmTexture(fx->m_pmd);
    fx->m_loop = d.loop;
    fx->m_length = d.length;
    fx->m_elapsed = 0.0f;
    fx->m_state = STATE_RUNNING;
    fx->m_frameLimit = static_cast<uint32_t>(
        std::max(0, ZquPm::truncI32(static_cast<double>(d.frameRate) * d.length)));
    fx->m_frameCounter = 0;
    fx->startEmitters();
    ZquPmEffect* const out = fx.get();
    engine().effects.push_back(std::move(fx));
    ZquPmManager::addEffect(out);
    return out;
}

void ZquPmEffect::startEmitters() {
    for (const ZquPm::EMITDATA& rec : m_pmd->emitters) {
        ZquPmManager::StartEffect(&rec, &m_param);
    }
}

int ZquPmEffect::release() {
    ZquPmManager::drop(this);
    return 0;
}

int ZquPmEffect::update(const float step) {
    switch (m_state) {
    case STATE_RUNNING: {
        bool done = false;
        if (step == 0.0f) {
            ++m_frameCounter;
            done = m_frameCounter >= m_frameLimit;
        } else {
            m_elapsed += step * 0.001f;
            done = m_elapsed >= m_length;
        }
        if (done) {
            // Emitters that run "until the effect ends" end here: left alone they would keep
            // a winding-down instance alive for ever, and pile up on every loop.
            if (ZquPmManager::pm != nullptr) {
                ZquPmManager::pm->endOpenEmitters(&m_param);
            }
            if (m_loop != 0) {
                m_frameCounter = 0;
                m_elapsed = 0.0f;
                startEmitters();
            } else {
                m_state = STATE_WINDING_DOWN;
            }
        }
        return 0;
    }
    case STATE_WINDING_DOWN:
        if (m_param.emitterCount == 0 && m_param.particleCount == 0) {
            m_state = STATE_ENDED;
        }
        return 0;
    default:
        return -1;
    }
}

void ZquPmEffect::setRoot(const ZqMatrix* const m, const bool byReference) {
    if (m == nullptr) {
        return;
    }
    if (byReference) {
        m_param.root = m;
    } else {
        m_param.ownRoot = *m;
        m_param.root = &m_param.ownRoot;
    }
}

void ZquPmEffect::setPos(const ZqVector3& p) {
    m_param.ownRoot.setTrans(p);
}

void ZquPmEffect::getPos(ZqVector3& p) const {
    m_param.ownRoot.getTrans(p);
}
