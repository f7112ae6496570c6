// Test hooks of the graphics device: the failures an OpenGL device never shows on its own
// (a lost device, refused resets, refused surfaces) and adapter facts a test machine lacks
// (another vendor, a capability bit cleared). For tests only; the game never calls them.
#pragma once

#include "zq/platform/gpu/gpu.h"

namespace zqp::gpu::test {

// Device and adapter calls whose result a test can force.
enum class Call : uint32_t {
    CreateSystem,
    CreateDevice,
    GetDeviceCaps,
    Reset,
    Present,
    TestCooperativeLevel,
    BeginScene,
    GetBackBuffer,
    GetDepthStencilSurface,
    CreateTexture,
    GetSurfaceLevel,
    SurfaceGetDesc,
    CreateDepthStencilSurface,
    CreateQuery,
    Count,
};

// After `after` more calls of `call` that work, the next `times` return `result` without
// doing their work.
void failNext(Call call, Result result, uint32_t times = 1, uint32_t after = 0);
// Applied to every capability record the adapter or device hands out; null removes it.
using CapsFilter = void (*)(Caps& caps);
void setCapsFilter(CapsFilter filter);
// Replaces the vendor id of every adapter identifier; 0 removes the override.
void setVendorId(uint32_t vendorId);
// The adapter reports this format unusable (checkDeviceFormat) and the device refuses
// textures of it, as a device without that format would; each call adds one format,
// Unknown removes them all.
void refuseFormat(Format format);
// Removes every forced result and override.
void clearAll();

} // namespace zqp::gpu::test
