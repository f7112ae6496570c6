#include "dorvanex/core/render/GameTiming.h"

#include "zq/gl/ZqGlSystem.h"
#include "zq/system/ZqSystem.h"

namespace {

uint32_t g_stopwatchStart = 0;
SavedDeviceStates g_savedDeviceStates;

} // namespace

SavedDeviceStates& savedDeviceStates() {
    return g_savedDeviceStates;
}

void stopwatchStart() {
    g_stopwatchStart = ZqSystem::getTime();
}

void stopwatchReset() {
    g_stopwatchStart = 0;
}

bool stopwatchIsRunning() {
    return g_stopwatchStart != 0;
}

uint32_t stopwatchElapsed() {
    return ZqSystem::getTime() - g_stopwatchStart;
}

void restoreRenderStates() {
    using zqp::gpu::RenderState;
    using zqp::gpu::TextureStageState;
    zqp::gpu::Device* const device = ZqGlSystem::getD3dDevice();
    if (device == nullptr) {
        return;
    }
    const SavedDeviceStates& s = g_savedDeviceStates;
    device->setRenderState(RenderState::AlphaBlendEnable, s.alphaBlendEnable);
    device->setRenderState(RenderState::AlphaTestEnable, s.alphaTestEnable);
    device->setTextureStageState(0, TextureStageState::ColorOp, s.colorOp);
    device->setTextureStageState(0, TextureStageState::ColorArg1, s.colorArg1);
    device->setTextureStageState(0, TextureStageState::ColorArg2, s.colorArg2);
    device->setTextureStageState(0, TextureStageState::AlphaOp, s.alphaOp);
    device->setTextureStageState(0, TextureStageState::AlphaArg1, s.alphaArg1);
    device->setTextureStageState(0, TextureStageState::AlphaArg2, s.alphaArg2);
    device->setRenderState(RenderState::BlendOp, s.blendOp);
    device->setRenderState(RenderState::SrcBlend, s.srcBlend);
    device->setRenderState(RenderState::DestBlend, s.destBlend);
    device->setRenderState(RenderState::ZEnable, s.zEnable);
    device->setRenderState(RenderState::ZWriteEnable, s.zWriteEnable);
    device->setRenderState(RenderState::AlphaFunc, s.alphaFunc);
    device->setRenderState(RenderState::ZFunc, s.zFunc);
    device->setRenderState(RenderState::Lighting, s.lighting);
    device->setRenderState(RenderState::ColorVertex, s.colorVertex);
    device->setRenderState(RenderState::CullMode, s.cullMode);
    device->setVertexShader(s.vertexShader.get());
    device->setPixelShader(s.pixelShader.get());
    device->setVertexDeclaration(s.vertexFormat.get());
}
