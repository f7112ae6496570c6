// Timing and device services of the game core: a process-wide stopwatch on the framework's
// millisecond clock (ZqSystem::getTime), and restoreRenderStates, which puts back the device
// states a drawing routine saved in savedDeviceStates() before changing them.
#pragma once

#include "zq/platform/gpu/gpu.h"

#include <cstdint>
#include <memory>

void stopwatchStart();
void stopwatchReset();
// A start taken at clock value 0 reads as not running.
bool stopwatchIsRunning();
// Clock now minus the start, wrapping; the raw clock when never started.
uint32_t stopwatchElapsed();

// Device states saved by a drawing routine; restoreRenderStates sets them back.
struct SavedDeviceStates {
    uint32_t alphaBlendEnable = 0;
    uint32_t alphaTestEnable = 0;
    uint32_t blendOp = zqp::gpu::BLENDOP_ADD;
    uint32_t srcBlend = zqp::gpu::BLEND_ONE;
    uint32_t destBlend = zqp::gpu::BLEND_ZERO;
    uint32_t zEnable = zqp::gpu::ZBUFFERMODE_ON;
    uint32_t zWriteEnable = 1;
    uint32_t alphaFunc = zqp::gpu::CMPFUNC_ALWAYS;
    uint32_t zFunc = zqp::gpu::CMPFUNC_LESSEQUAL;
    uint32_t lighting = 0;
    uint32_t colorVertex = 1;
    uint32_t cullMode = zqp::gpu::CULLMODE_CCW;
    uint32_t colorOp = zqp::gpu::TOP_MODULATE;
    uint32_t colorArg1 = zqp::gpu::TA_TEXTURE;
    uint32_t colorArg2 = zqp::gpu::TA_CURRENT;
    uint32_t alphaOp = zqp::gpu::TOP_SELECTARG1;
    uint32_t alphaArg1 = zqp::gpu::TA_TEXTURE;
    uint32_t alphaArg2 = zqp::gpu::TA_CURRENT;
    std::shared_ptr<zqp::gpu::VertexShader> vertexShader;
    std::shared_ptr<zqp::gpu::PixelShader> pixelShader;
    // The vertex format: on this device a vertex declaration.
    std::shared_ptr<zqp::gpu::VertexDeclaration> vertexFormat;
};
// The one set of saved states (this layer keeps it; main thread only).
SavedDeviceStates& savedDeviceStates();

// Sets the saved states on the current device, in a fixed order; nothing without a device.
void restoreRenderStates();
