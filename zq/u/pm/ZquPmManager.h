// ZquPmManager: the game-facing face of the particle engine. Static members own the particle
// shader, the core ParticleManager, the file loader, the renderer DxParticle and the running
// effect instances; update advances the engine in fixed steps at the edit rate and builds the
// draw batches once a frame, draw draws them. ZquPmEffect is one running instance of an
// effect description, found by a 64-bit handle: it starts the description's emitters, times
// its length, loops or winds down, and is dropped when its last particle has died.
// Main thread only. A part that cannot be made (no device: no shader, no renderer) stays null
// and the work it does is skipped.
#pragma once

#include "zq/math/ZqMatrix.h"
#include "zq/math/ZqVector3.h"
#include "zq/u/pm/ZquPm.h"

#include <cstdint>
#include <memory>
#include <vector>

class ZqGlShader;
class ZqGlTexture;
class ParticleManager;
class ZquPmFileLoader;
class DxParticle;
class ZquPmEffect;

class ZquPmManager {
public:
    static void sysInit();
    // Releases a manager still alive and empties the effect list.
    static void sysQuit();

    // The manager with its shader "shaders/ParticleMagic.fxo" as effect number shaderNr;
    // null when the token cannot be made. editFPS 0: one step per update.
    static ZquPmManager* create(float editFPS, unsigned char shaderNr);
    // The same with an effect the caller made (null: nothing is drawn).
    static ZquPmManager* create(float editFPS, ZqGlShader* shader);
    // Drops every instance and frees the engine; returns 0.
    int release();
    // Drops every instance, then resets the emitters and the pools.
    static void reset();
    // dt milliseconds: fixed steps at the edit rate (the remainder carried), then the batches.
    void update(float dt);
    void draw();

    static void addEffect(ZquPmEffect* fx);
    // Ends the instance's emitters and particles and takes it off the list; the caller keeps
    // (and frees) the instance.
    static void delEffect(ZquPmEffect* fx);
    static void StartEffect(const ZquPm::EMITDATA* rec, ZquPm::EmitParam* ep);
    // The instance of a handle, null when none (or dropped).
    static ZquPmEffect* getEffect(uint64_t handle);
    static ZqGlTexture* getTex(int n);
    static int getTexNo(const ZqGlTexture* tex);
    static const ZquPm::PMTEXTURE* getPmTexture(const ZquPm::PMD_HEADER* pmd);
    static const ZquPm::PMD_HEADER* LoadPMD(const char16_t* path);
    static const ZquPm::PMD_HEADER* LoadPMD(const void* image, uint64_t size);
    static int UnLoadPMD(const ZquPm::PMD_HEADER* pmd);
    static ZquPm::PMTEXTURE* LoadPMT(const char16_t* path);
    static ZquPm::PMTEXTURE* LoadPMT(const void* image, uint64_t size, const char* path);
    static int UnLoadPMT(ZquPm::PMTEXTURE* pmt);

    static ZqGlShader* getShader() { return shader; }
    static DxParticle* getDxParticle() { return dxParticle; }
    static ZquPmFileLoader* getLoader() { return loader; }
    static ParticleManager* getParticleManager() { return pm; }
    // The live manager (the token create returned), or null.
    static ZquPmManager* getManager() { return gpm; }
    static size_t getEffectCount() { return p_fx_list != nullptr ? p_fx_list->size() : 0; }

    static ZquPmManager* gpm;
    static ZqGlShader* shader;
    static ParticleManager* pm;
    static ZquPmFileLoader* loader;
    static DxParticle* dxParticle;
    static std::vector<ZquPmEffect*>* p_fx_list;
    static float editFPS;
    static float before_tick;
    static uint64_t handle;

private:
    friend class ZquPmEffect;
    static ZquPmManager* createBody(float fps);
    // releaseEffect, off the list, UnLoadPMD, freed.
    static void drop(ZquPmEffect* fx);
    static void dropAll();
    static void removeFromList(const ZquPmEffect* fx);
};

class ZquPmEffect {
public:
    enum State : uint32_t { STATE_RUNNING = 0, STATE_WINDING_DOWN = 1, STATE_ENDED = 2 };

    // An instance of the description at path, or of an image registered from memory; null
    // when the description cannot be had (or no manager is alive).
    static ZquPmEffect* create(const char16_t* path, bool keepBirthRoot);
    static ZquPmEffect* create(const void* image, uint64_t size, bool keepBirthRoot);
    // Ends the instance at once and frees it; returns 0.
    int release();

    // By reference: particles follow m (kept alive and moved by the caller); otherwise m is
    // copied into the instance's own root.
    void setRoot(const ZqMatrix* m, bool byReference);
    const ZqMatrix* getRoot() const { return m_param.root; }
    void setPos(const ZqVector3& p);
    void getPos(ZqVector3& p) const;
    void setLoop(bool loop) { m_loop = loop ? 1 : 0; }
    bool getLoop() const { return m_loop != 0; }
    uint32_t getState() const { return m_state; }
    uint64_t getHandle() const { return m_handle; }
    const ZquPm::EmitParam& getParam() const { return m_param; }

    ZquPmEffect() = default;
    ZquPmEffect(const ZquPmEffect&) = delete;
    ZquPmEffect& operator=(const ZquPmEffect&) = delete;

private:
    friend class ZquPmManager;
    static ZquPmEffect* start(std::unique_ptr<ZquPmEffect> fx, bool keepBirthRoot);
    void startEmitters();
    // 0 keep, -1 drop.
    int update(float step);

    const ZquPm::PMD_HEADER* m_pmd = nullptr;
    ZquPm::EmitParam m_param;
    ZqVector3 m_liveTarget{0.0f, 0.0f, 0.0f};
    uint32_t m_loop = 0;
    float m_length = 0.0f;
    float m_elapsed = 0.0f;
    uint32_t m_state = STATE_RUNNING;
    uint32_t m_frameLimit = 0;
    uint32_t m_frameCounter = 0;
    uint64_t m_handle = 0;
};
