// The adapter object of the OpenGL device: identity from the GL strings, the capability
// record a shader-model-2.0 card would give within the GL limits, formats, sample counts,
// display modes, device creation; and the test hooks.
#include "zq/platform/gpu/gpu_gl_internal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

namespace zqp::gpu {

// ---------------------------------------------------------------------------------------------
// Test hooks

namespace {

struct Hooks {
    std::mutex mutex;
    struct Forced {
        Result result = Result::Ok;
        uint32_t times = 0;
        uint32_t after = 0;
    };
    std::array<Forced, static_cast<size_t>(test::Call::Count)> forced{};
    test::CapsFilter capsFilter = nullptr;
    uint32_t vendorId = 0;
    std::vector<Format> refused;
};

Hooks& hooks() {
    static Hooks h;
    return h;
}

} // namespace

void test::failNext(const Call call, const Result result, const uint32_t times,
                    const uint32_t after) {
    Hooks& h = hooks();
    const std::lock_guard hold(h.mutex);
    h.forced[static_cast<size_t>(call)] = {result, times, after};
}

void test::setCapsFilter(const CapsFilter filter) {
    Hooks& h = hooks();
    const std::lock_guard hold(h.mutex);
    h.capsFilter = filter;
}

void test::setVendorId(const uint32_t vendorId) {
    Hooks& h = hooks();
    const std::lock_guard hold(h.mutex);
    h.vendorId = vendorId;
}

void test::refuseFormat(const Format format) {
    Hooks& h = hooks();
    const std::lock_guard hold(h.mutex);
    if (format == Format::Unknown) {
        h.refused.clear();
    } else {
        h.refused.push_back(format);
    }
}

void test::clearAll() {
    Hooks& h = hooks();
    const std::lock_guard hold(h.mutex);
    h.forced = {};
    h.capsFilter = nullptr;
    h.vendorId = 0;
    h.refused.clear();
}

namespace gl {

bool forced(const test::Call call, Result& out) {
    Hooks& h = hooks();
    const std::lock_guard hold(h.mutex);
    auto& f = h.forced[static_cast<size_t>(call)];
    if (f.times == 0) {
        return false;
    }
    if (f.after > 0) {
        --f.after;
        return false;
    }
    --f.times;
    out = f.result;
    return true;
}

void applyCapsFilter(Caps& caps) {
    test::CapsFilter filter = nullptr;
    {
        Hooks& h = hooks();
        const std::lock_guard hold(h.mutex);
        filter = h.capsFilter;
    }
    if (filter != nullptr) {
        filter(caps);
    }
}

bool formatRefused(const Format format) {
    Hooks& h = hooks();
    const std::lock_guard hold(h.mutex);
    return std::find(h.refused.begin(), h.refused.end(), format) != h.refused.end();
}

uint32_t vendorIdOverride() {
    Hooks& h = hooks();
    const std::lock_guard hold(h.mutex);
    return h.vendorId;
}

// ---------------------------------------------------------------------------------------------
// Capability record

namespace {

Caps capsFromFacts(const AdapterFacts& f) {
    Caps c;
    c.deviceType = DeviceType::Hal;
    c.adapterOrdinal = 0;
    // The scan-line query is answered from the frame clock; the rest are what GL 3.3 gives.
    c.caps = caps::READ_SCANLINE;
    c.caps2 = caps::CANAUTOGENMIPMAP | caps::DYNAMICTEXTURES | caps::FULLSCREENGAMMA;
    c.caps3 = caps::ALPHA_FULLSCREEN_FLIP_OR_DISCARD | caps::COPY_TO_VIDMEM |
              caps::COPY_TO_SYSTEMMEM | caps::LINEAR_TO_SRGB_PRESENTATION;
    c.presentationIntervals = present::INTERVAL_IMMEDIATE | present::INTERVAL_ONE;
    c.cursorCaps = caps::CURSOR_COLOR;
    c.devCaps = caps::EXECUTESYSTEMMEMORY | caps::EXECUTEVIDEOMEMORY | caps::TLVERTEXSYSTEMMEMORY |
                caps::TLVERTEXVIDEOMEMORY | caps::TEXTUREVIDEOMEMORY | caps::DRAWPRIMTLVERTEX |
                caps::CANRENDERAFTERFLIP | caps::DRAWPRIMITIVES2 | caps::DRAWPRIMITIVES2EX |
                caps::HWTRANSFORMANDLIGHT | caps::HWRASTERIZATION;
    c.primitiveMiscCaps = caps::MASKZ | caps::CULLNONE | caps::CULLCW | caps::CULLCCW |
                          caps::COLORWRITEENABLE | caps::CLIPPLANESCALEDPOINTS | caps::CLIPTLVERTS |
                          caps::BLENDOP | caps::INDEPENDENTWRITEMASKS | caps::FOGANDSPECULARALPHA |
                          caps::SEPARATEALPHABLEND | caps::FOGVERTEXCLAMPED;
    c.rasterCaps = caps::DITHER | caps::ZTEST | caps::FOGVERTEX | caps::FOGTABLE |
                   caps::MIPMAPLODBIAS | caps::FOGRANGE | caps::ZFOG | caps::WFOG |
                   caps::COLORPERSPECTIVE | caps::SCISSORTEST | caps::SLOPESCALEDEPTHBIAS |
                   caps::DEPTHBIAS | caps::MULTISAMPLE_TOGGLE |
                   (f.anisotropic ? caps::ANISOTROPY : 0u);
    const uint32_t allCmp = caps::CMP_NEVER | caps::CMP_LESS | caps::CMP_EQUAL |
                            caps::CMP_LESSEQUAL | caps::CMP_GREATER | caps::CMP_NOTEQUAL |
                            caps::CMP_GREATEREQUAL | caps::CMP_ALWAYS;
    c.zCmpCaps = allCmp;
    c.alphaCmpCaps = allCmp;
    const uint32_t commonBlend =
        caps::BLEND_ZERO | caps::BLEND_ONE | caps::BLEND_SRCCOLOR | caps::BLEND_INVSRCCOLOR |
        caps::BLEND_SRCALPHA | caps::BLEND_INVSRCALPHA | caps::BLEND_DESTALPHA |
        caps::BLEND_INVDESTALPHA | caps::BLEND_DESTCOLOR | caps::BLEND_INVDESTCOLOR |
        caps::BLEND_BOTHSRCALPHA | caps::BLEND_BOTHINVSRCALPHA | caps::BLEND_BLENDFACTOR;
    c.srcBlendCaps = commonBlend | caps::BLEND_SRCALPHASAT;
    c.destBlendCaps = commonBlend;
    c.shadeCaps = caps::COLORGOURAUDRGB | caps::SPECULARGOURAUDRGB | caps::ALPHAGOURAUDBLEND |
                  caps::FOGGOURAUD;
    c.textureCaps = caps::TEX_PERSPECTIVE | caps::TEX_ALPHA | caps::TEX_REPEATNOTSCALEDBYSIZE |
                    caps::TEX_PROJECTED | caps::TEX_CUBEMAP | caps::TEX_VOLUMEMAP |
                    caps::TEX_MIPMAP | caps::TEX_MIPVOLUMEMAP | caps::TEX_MIPCUBEMAP |
                    caps::TEX_NOPROJECTEDBUMPENV;
    const uint32_t filters = caps::MINFPOINT | caps::MINFLINEAR | caps::MIPFPOINT |
                             caps::MIPFLINEAR | caps::MAGFPOINT | caps::MAGFLINEAR;
    const uint32_t aniso = f.anisotropic ? caps::MINFANISOTROPIC | caps::MAGFANISOTROPIC : 0u;
    c.textureFilterCaps = filters | aniso;
    c.cubeTextureFilterCaps = filters | aniso;
    c.volumeTextureFilterCaps = filters;
    const uint32_t address = caps::TADDRESS_WRAP | caps::TADDRESS_MIRROR | caps::TADDRESS_CLAMP |
                             caps::TADDRESS_BORDER | caps::TADDRESS_INDEPENDENTUV |
                             caps::TADDRESS_MIRRORONCE;
    c.textureAddressCaps = address;
    c.volumeTextureAddressCaps = address;
    c.lineCaps = caps::LINE_TEXTURE | caps::LINE_ZTEST | caps::LINE_BLEND | caps::LINE_ALPHACMP |
                 caps::LINE_FOG | caps::LINE_ANTIALIAS;
    c.maxTextureWidth = static_cast<uint32_t>(std::clamp(f.maxTextureSize, 0, 4096));
    c.maxTextureHeight = c.maxTextureWidth;
    c.maxVolumeExtent = static_cast<uint32_t>(std::clamp(f.max3dTextureSize, 0, 512));
    c.maxTextureRepeat = 8192;
    c.maxTextureAspectRatio = c.maxTextureWidth;
    c.maxAnisotropy = static_cast<uint32_t>(std::clamp(f.maxAnisotropy, 1.0f, 16.0f));
    c.maxVertexW = 1.0e10f;
    c.guardBandLeft = -16384.0f;
    c.guardBandTop = -16384.0f;
    c.guardBandRight = 16384.0f;
    c.guardBandBottom = 16384.0f;
    c.extentsAdjust = 0.0f;
    c.stencilCaps = caps::STENCIL_KEEP | caps::STENCIL_ZERO | caps::STENCIL_REPLACE |
                    caps::STENCIL_INCRSAT | caps::STENCIL_DECRSAT | caps::STENCIL_INVERT |
                    caps::STENCIL_INCR | caps::STENCIL_DECR | caps::STENCIL_TWOSIDED;
    c.fvfCaps = 8u | caps::FVF_PSIZE;
    c.textureOpCaps = caps::TOP_DISABLE | caps::TOP_SELECTARG1 | caps::TOP_SELECTARG2 |
                      caps::TOP_MODULATE | caps::TOP_MODULATE2X | caps::TOP_MODULATE4X |
                      caps::TOP_ADD;
    c.maxTextureBlendStages = 8;
    c.maxSimultaneousTextures = 8;
    c.vertexProcessingCaps = caps::VTX_TEXGEN | caps::VTX_MATERIALSOURCE7 |
                             caps::VTX_DIRECTIONALLIGHTS | caps::VTX_POSITIONALLIGHTS |
                             caps::VTX_LOCALVIEWER | caps::VTX_TEXGEN_SPHEREMAP;
    c.maxActiveLights = 8;
    c.maxUserClipPlanes = static_cast<uint32_t>(std::clamp(f.maxClipDistances, 0, 6));
    c.maxVertexBlendMatrices = 4;
    c.maxVertexBlendMatrixIndex = 0;
    c.maxPointSize = std::min(f.maxPointSize, 8192.0f);
    c.maxPrimitiveCount = 0xFFFFF;
    c.maxVertexIndex = 0xFFFFFF;
    c.maxStreams = MAX_STREAMS;
    c.maxStreamStride = 255;
    c.vertexShaderVersion = caps::vertexShaderVersion(2, 0);
    c.maxVertexShaderConst = MAX_VERTEX_CONSTANTS;
    c.pixelShaderVersion = caps::pixelShaderVersion(2, 0);
    c.pixelShader1xMaxValue = 65504.0f;
    c.devCaps2 = caps::STREAMOFFSET | caps::CAN_STRETCHRECT_FROM_TEXTURES |
                 caps::VERTEXELEMENTSCANSHARESTREAMOFFSET;
    c.maxNpatchTessellationLevel = 0.0f;
    c.masterAdapterOrdinal = 0;
    c.adapterOrdinalInGroup = 0;
    c.numberOfAdaptersInGroup = 1;
    c.declTypes = caps::DT_UBYTE4 | caps::DT_UBYTE4N | caps::DT_SHORT2N | caps::DT_SHORT4N |
                  caps::DT_USHORT2N | caps::DT_USHORT4N | caps::DT_UDEC3 | caps::DT_DEC3N |
                  caps::DT_FLOAT16_2 | caps::DT_FLOAT16_4;
    c.numSimultaneousRTs = 1;
    c.stretchRectFilterCaps =
        caps::MINFPOINT | caps::MAGFPOINT | caps::MINFLINEAR | caps::MAGFLINEAR;
    c.vs20Caps = {0, 0, 12, 1, 0};
    c.ps20Caps = {0, 0, 12, 0, 96};
    c.vertexTextureFilterCaps = 0;
    c.maxVShaderInstructionsExecuted = 65535;
    c.maxPShaderInstructionsExecuted = 96;
    c.maxVertexShader30InstructionSlots = 0;
    c.maxPixelShader30InstructionSlots = 0;
    return c;
}

uint32_t vendorIdOf(const std::string& vendor) {
    const auto has = [&vendor](const char* s) { return vendor.find(s) != std::string::npos; };
    if (has("NVIDIA") || has("nouveau")) {
        return 0x10DE;
    }
    if (has("AMD") || has("ATI") || has("Advanced Micro Devices")) {
        return 0x1002;
    }
    if (has("Intel")) {
        return 0x8086;
    }
    return 0;
}

// "4.5 (Core Profile) Mesa 22.3.6" gives 22.3.6; otherwise the first dotted number.
uint64_t driverVersionOf(const std::string& version) {
    size_t at = version.find("Mesa ");
    at = at == std::string::npos ? 0 : at + 5;
    unsigned parts[4] = {0, 0, 0, 0};
    const int n = std::sscanf(version.c_str() + at, "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2],
                              &parts[3]);
    if (n <= 0) {
        return 0;
    }
    return (static_cast<uint64_t>(parts[0] & 0xFFFF) << 48) |
           (static_cast<uint64_t>(parts[1] & 0xFFFF) << 32) | ((parts[2] & 0xFFFFu) << 16) |
           (parts[3] & 0xFFFFu);
}

void copyText(char* out, const size_t capacity, const std::string& text) {
    const size_t n = std::min(text.size(), capacity - 1);
    std::memcpy(out, text.data(), n);
    out[n] = 0;
}

bool hasSampleCount(const std::vector<int>& counts, const int n) {
    return std::find(counts.begin(), counts.end(), n) != counts.end();
}

class GlSystem final : public System {
public:
    uint32_t getAdapterCount() const override { return 1; }

    Result getAdapterIdentifier(const uint32_t adapter, AdapterIdentifier& out) const override {
        if (adapter != 0) {
            return Result::InvalidCall;
        }
        const AdapterFacts& f = adapterFacts();
        out = {};
        copyText(out.driver, sizeof out.driver, "OpenGL " + f.version);
        copyText(out.description, sizeof out.description, f.renderer);
        copyText(out.deviceName, sizeof out.deviceName, "DISPLAY1");
        out.driverVersion = driverVersionOf(f.version);
        const uint32_t forcedVendor = vendorIdOverride();
        out.vendorId = forcedVendor != 0 ? forcedVendor : vendorIdOf(f.vendor);
        return Result::Ok;
    }

    uint32_t getAdapterModeCount(const uint32_t adapter, const Format format) const override {
        return adapter == 0 ? static_cast<uint32_t>(fullScreenModes(format).size()) : 0;
    }

    Result enumAdapterModes(const uint32_t adapter, const Format format, const uint32_t index,
                            DisplayMode& out) const override {
        if (adapter != 0) {
            return Result::InvalidCall;
        }
        const std::vector<DisplayMode> modes = fullScreenModes(format);
        if (index >= modes.size()) {
            return Result::InvalidCall;
        }
        out = modes[index];
        return Result::Ok;
    }

    Result getAdapterDisplayMode(const uint32_t adapter, DisplayMode& out) const override {
        if (adapter != 0) {
            return Result::InvalidCall;
        }
        return currentDisplayMode(out) ? Result::Ok : Result::NotAvailable;
    }

    Result checkDeviceFormat(const uint32_t adapter, const DeviceType type, Format,
                             const uint32_t usageFlags, const ResourceType resourceType,
                             const Format format) const override {
        if (adapter != 0) {
            return Result::InvalidCall;
        }
        const FormatInfo* const info = formatInfo(format);
        if (type != DeviceType::Hal || info == nullptr || formatRefused(format) ||
            format == Format::Index16 || format == Format::Index32) {
            return Result::NotAvailable;
        }
        if (info->compressed && !adapterFacts().s3tc) {
            return Result::NotAvailable;
        }
        if ((usageFlags & usage::RENDERTARGET) != 0 && (!info->renderable || info->depth)) {
            return Result::NotAvailable;
        }
        if ((usageFlags & usage::DEPTHSTENCIL) != 0 && !info->depth) {
            return Result::NotAvailable;
        }
        switch (resourceType) {
        case ResourceType::Surface:
        case ResourceType::Texture:
            return Result::Ok;
        case ResourceType::CubeTexture:
        case ResourceType::VolumeTexture:
            return info->depth ? Result::NotAvailable : Result::Ok;
        default:
            return Result::NotAvailable;
        }
    }

    Result checkDeviceMultiSampleType(const uint32_t adapter, const DeviceType type,
                                      const Format format, bool, const MultiSample multiSample,
                                      uint32_t* const qualityLevels) const override {
        if (qualityLevels != nullptr) {
            *qualityLevels = 0;
        }
        const FormatInfo* const info = formatInfo(format);
        if (adapter != 0 || type != DeviceType::Hal || info == nullptr || !info->renderable) {
            return Result::NotAvailable;
        }
        const uint32_t samples = static_cast<uint32_t>(multiSample);
        const AdapterFacts& f = adapterFacts();
        const bool ok =
            samples <= 1 ||
            (samples <= 16 && hasSampleCount(info->depth ? f.depthSampleCounts : f.sampleCounts,
                                             static_cast<int>(samples)));
        if (!ok) {
            return Result::NotAvailable;
        }
        if (qualityLevels != nullptr) {
            *qualityLevels = 1;
        }
        return Result::Ok;
    }

    Result getDeviceCaps(const uint32_t adapter, const DeviceType type, Caps& out) const override {
        Result r = Result::Ok;
        if (forced(test::Call::GetDeviceCaps, r)) {
            return r;
        }
        if (adapter != 0 || type != DeviceType::Hal) {
            return Result::InvalidCall;
        }
        out = capsFromFacts(adapterFacts());
        applyCapsFilter(out);
        return Result::Ok;
    }

    Result createDevice(const uint32_t adapter, const DeviceType type,
                        const WindowHandle focusWindow, const uint32_t behaviorFlags,
                        PresentParams& params, std::shared_ptr<Device>& out) override {
        out.reset();
        Result r = Result::Ok;
        if (forced(test::Call::CreateDevice, r)) {
            return r;
        }
        const uint32_t processing =
            behaviorFlags & (create::HARDWARE_VERTEXPROCESSING | create::SOFTWARE_VERTEXPROCESSING);
        if (adapter != 0 || (processing != create::HARDWARE_VERTEXPROCESSING &&
                             processing != create::SOFTWARE_VERTEXPROCESSING)) {
            return Result::InvalidCall;
        }
        if (type != DeviceType::Hal) {
            return Result::NotAvailable;
        }
        const WindowHandle window =
            params.deviceWindow != nullptr ? params.deviceWindow : focusWindow;
        std::shared_ptr<Context> context = Context::create(window);
        if (context == nullptr) {
            return Result::NotAvailable;
        }
        auto device = std::make_shared<GlDevice>(std::move(context), adapter, type, behaviorFlags);
        r = device->init(params);
        if (r != Result::Ok) {
            return r;
        }
        out = std::move(device);
        return Result::Ok;
    }
};

} // namespace

Caps deviceCaps() {
    Caps c = capsFromFacts(adapterFacts());
    applyCapsFilter(c);
    return c;
}

} // namespace gl

std::shared_ptr<System> createSystem() {
    Result r = Result::Ok;
    if (gl::forced(test::Call::CreateSystem, r)) {
        return nullptr;
    }
    if (!gl::adapterFacts().valid) {
        return nullptr;
    }
    return std::make_shared<gl::GlSystem>();
}

} // namespace zqp::gpu
