// The capability report of ZqGlSystem and the adapter queries. The report is a tree of
// UTF-16 lines, one item each, that marks every capability the game needs; start-up refuses
// an adapter with a failed need, and the game's error handler writes the same text to a file
// for the operator.
#include "zq/gl/ZqGlSystem.h"

#include "zq/platform/gpu/gpu.h"
#include "zq/platform/gpu/gpu_caps.h"

#include "zq/system/ZqError.h"
#include "zq/system/ZqString.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace gpu = zqp::gpu;
namespace caps = zqp::gpu::caps;

namespace {

constexpr const char16_t* DEVICE_ROW_TEXT[] = {u"DeviceType:HAL, VertexProcessing:HARDWARE",
                                               u"DeviceType:HAL, VertexProcessing:SOFTWARE"};
constexpr const char* FAILED = "    **************** Test failed.";
// 131,072 bytes of UTF-16 text.
constexpr size_t REPORT_CAPACITY = 65536;

// Tree depths: a section, an item of it, an item of a sub-section.
constexpr const char16_t* SECTION = u"├";
constexpr const char16_t* ITEM = u"｜├";
constexpr const char16_t* SUBITEM = u"｜｜├";

class Report {
public:
    Report() {
        try {
            m_text.reserve(REPORT_CAPACITY);
        } catch (const std::bad_alloc&) {
            throw ZqError::CAPS_REPORT;
        }
        m_text.push_back(u'\xFEFF');
    }

    uint32_t failed() const { return m_failed; }
    const std::u16string& text() const { return m_text; }

    void heading(const char16_t* prefix, const char16_t* name) { line(prefix, name, "\n"); }
    void hex(const char16_t* prefix, const char16_t* name, const uint32_t value) {
        line(prefix, name, format(":0x%x\n", value));
    }
    void hex64(const char16_t* prefix, const char16_t* name, const uint64_t value) {
        line(prefix, name, format(":0x%" PRIx64 "\n", value));
    }
    void real(const char16_t* prefix, const char16_t* name, const float value) {
        line(prefix, name, format(":%f\n", static_cast<double>(value)));
    }
    void text(const char16_t* prefix, const char16_t* name, const char* value) {
        line(prefix, name, std::string(":") + value + "\n");
    }
    void flag(const char16_t* prefix, const char16_t* name, const uint32_t field,
              const uint32_t bit) {
        line(prefix, name, (field & bit) != 0 ? ":YES\n" : ":NO\n");
    }
    // A capability the game needs: ok says whether the adapter has it as needed, present
    // whether the bit is set.
    void required(const char16_t* prefix, const char16_t* name, const bool present, const bool ok) {
        count(ok);
        line(prefix, name,
             std::string("(YES):") + (present ? "YES" : "NO") + (ok ? "" : FAILED) + "\n");
    }
    void required(const char16_t* prefix, const char16_t* name, const uint32_t field,
                  const uint32_t bit) {
        const bool present = (field & bit) != 0;
        required(prefix, name, present, present);
    }
    void minimum(const char16_t* prefix, const char16_t* name, const uint32_t least,
                 const uint32_t value) {
        const bool ok = value >= least;
        count(ok);
        line(prefix, name, format("(0x%x<=):0x%x", least, value) + (ok ? "" : FAILED) + "\n");
    }
    void minimum(const char16_t* prefix, const char16_t* name, const float least,
                 const float value) {
        const bool ok = value >= least;
        count(ok);
        line(prefix, name,
             format("(%f<=):%f", static_cast<double>(least), static_cast<double>(value)) +
                 (ok ? "" : FAILED) + "\n");
    }

private:
    template <class... A> static std::string format(const char* const f, const A... args) {
        char buffer[128];
        std::snprintf(buffer, sizeof buffer, f, args...);
        return buffer;
    }

    void count(const bool ok) { m_failed += ok ? 0 : 1; }

    // The buffer holds what fits; a line that does not fit is left out whole.
    void line(const char16_t* prefix, const char16_t* name, const std::string& tail) {
        std::u16string l = prefix;
        l += name;
        // Tails are UTF-8: the adapter's texts come narrow.
        ZqString wide;
        zqUtf82Char(tail.data(), static_cast<int>(tail.size()), wide);
        l += wide;
        if (m_text.size() + l.size() <= REPORT_CAPACITY) {
            m_text += l;
        }
    }

    std::u16string m_text;
    uint32_t m_failed = 0;
};

void reportAdapters(Report& r, const gpu::System& system, uint32_t& vendorId) {
    const uint32_t n = system.getAdapterCount();
    r.hex(u"", u"AdapterCount", n);
    for (uint32_t a = 0; a < n; ++a) {
        r.hex(SECTION, u"AdapterIdentifier", a);
        gpu::AdapterIdentifier id;
        if (system.getAdapterIdentifier(a, id) != gpu::Result::Ok) {
            r.heading(u"｜└", u"Faild in the acquisition of information,");
            continue;
        }
        r.text(ITEM, u"Driver", id.driver);
        r.text(ITEM, u"Description", id.description);
        r.text(ITEM, u"DeviceName", id.deviceName);
        r.hex64(ITEM, u"DriverVersion", id.driverVersion);
        r.hex64(ITEM, u"VendorId (0 if unidentified)", id.vendorId);
        // One adapter of the stretching vendor decides for all.
        if (vendorId != ZqGlSystem::VENDOR_ID_STRETCHED) {
            vendorId = id.vendorId;
        }
        r.hex64(ITEM, u"DeviceId (0 if unidentified", id.deviceId);
        r.hex64(ITEM, u"SubSystemId(0 if unidentified)", id.subSysId);
        r.hex64(ITEM, u"Revision(0 if unidentified)", id.revision);
        r.hex64(u"｜└", u"WHQLLevel(0=unidentified,1=no information", id.whqlLevel);
    }
}

// One row of the capability part of the report: what it prints, read from which field.
enum class Kind : uint8_t {
    Heading,   // the name alone
    Flag,      // whether the bit is set
    Need,      // a bit the game needs set; marked when clear
    NeedClear, // a bit the game needs clear; marked when set
    Least,     // a number the game needs at least `bit` of; marked when below
    LeastReal, // the same for a real number and `least`
    Hex,       // a number
    Real,      // a real number
};

using Number = uint32_t (*)(const gpu::Caps&);
using RealNumber = float (*)(const gpu::Caps&);

struct Row {
    const char16_t* prefix;
    Kind kind;
    const char16_t* name;
    Number number = nullptr;
    uint32_t bit = 0; // the bit, or the least number
    RealNumber real = nullptr;
    float least = 0.0f;
};

constexpr Row heading(const char16_t* prefix, const char16_t* name) {
    return {prefix, Kind::Heading, name};
}
constexpr Row flag(const char16_t* prefix, const char16_t* name, const Number n,
                   const uint32_t bit) {
    return {prefix, Kind::Flag, name, n, bit};
}
constexpr Row need(const char16_t* prefix, const char16_t* name, const Number n,
                   const uint32_t bit) {
    return {prefix, Kind::Need, name, n, bit};
}
constexpr Row needClear(const char16_t* prefix, const char16_t* name, const Number n,
                        const uint32_t bit) {
    return {prefix, Kind::NeedClear, name, n, bit};
}
constexpr Row least(const char16_t* prefix, const char16_t* name, const Number n,
                    const uint32_t least) {
    return {prefix, Kind::Least, name, n, least};
}
constexpr Row leastReal(const char16_t* prefix, const char16_t* name, const RealNumber r,
                        const float least) {
    return {prefix, Kind::LeastReal, name, nullptr, 0, r, least};
}
constexpr Row hex(const char16_t* prefix, const char16_t* name, const Number n) {
    return {prefix, Kind::Hex, name, n};
}
constexpr Row real(const char16_t* prefix, const char16_t* name, const RealNumber r) {
    return {prefix, Kind::Real, name, nullptr, 0, r};
}

#define FIELD(member) [](const gpu::Caps& c) -> uint32_t { return c.member; }
#define NUMBER(expression) [](const gpu::Caps& c) -> uint32_t { return expression; }
#define REAL(member) [](const gpu::Caps& c) -> float { return c.member; }

// The capability part of the report in printing order; every need the game has is a Need,
// NeedClear, Least or LeastReal row.
constexpr Row CAPS_ROWS[] = {
    heading(SECTION, u"DeviceType"),
    need(ITEM, u"D3DDEVTYPE_HAL", NUMBER(c.deviceType == gpu::DeviceType::Hal ? 1u : 0u), 1u),
    heading(SECTION, u"Caps"),
    need(ITEM, u"D3DCAPS_READ_SCANLINE", FIELD(caps), caps::READ_SCANLINE),
    heading(SECTION, u"Caps2"),
    flag(ITEM, u"CANAUTOGENMIPMAP", FIELD(caps2), caps::CANAUTOGENMIPMAP),
    flag(ITEM, u"CANCALIBRATEGAMMA", FIELD(caps2), caps::CANCALIBRATEGAMMA),
    flag(ITEM, u"CANMANAGERESOURCE", FIELD(caps2), caps::CANMANAGERESOURCE),
    flag(ITEM, u"DYNAMICTEXTURES", FIELD(caps2), caps::DYNAMICTEXTURES),
    flag(ITEM, u"FULLSCREENGAMMA", FIELD(caps2), caps::FULLSCREENGAMMA),
    heading(SECTION, u"Caps3"),
    flag(ITEM, u"ALPHA_FULLSCREEN_FLIP_OR_DISCARD", FIELD(caps3),
         caps::ALPHA_FULLSCREEN_FLIP_OR_DISCARD),
    flag(ITEM, u"COPY_TO_VIDMEM", FIELD(caps3), caps::COPY_TO_VIDMEM),
    flag(ITEM, u"COPY_TO_SYSTEMMEM", FIELD(caps3), caps::COPY_TO_SYSTEMMEM),
    flag(ITEM, u"LINEAR_TO_SRGB_PRESENTATION", FIELD(caps3), caps::LINEAR_TO_SRGB_PRESENTATION),
    heading(SECTION, u"PresentationIntervals"),
    flag(ITEM, u"IMMEDIATE", FIELD(presentationIntervals), gpu::present::INTERVAL_IMMEDIATE),
    need(ITEM, u"ONE", FIELD(presentationIntervals), gpu::present::INTERVAL_ONE),
    flag(ITEM, u"TWO", FIELD(presentationIntervals), gpu::present::INTERVAL_TWO),
    flag(ITEM, u"THREE", FIELD(presentationIntervals), gpu::present::INTERVAL_THREE),
    heading(SECTION, u"CursorCaps"),
    flag(ITEM, u"COLOR", FIELD(cursorCaps), caps::CURSOR_COLOR),
    flag(ITEM, u"LOWERS", FIELD(cursorCaps), caps::CURSOR_LOWRES),

    heading(SECTION, u"DevCaps"),
    heading(ITEM, u"Hardware supports"),
    flag(SUBITEM, u"CANRENDERAFTERFLIP", FIELD(devCaps), caps::CANRENDERAFTERFLIP),
    flag(SUBITEM, u"DRAWPRIMITIVES2", FIELD(devCaps), caps::DRAWPRIMITIVES2),
    flag(SUBITEM, u"DRAWPRIMITIVES2EX", FIELD(devCaps), caps::DRAWPRIMITIVES2EX),
    need(SUBITEM, u"DRAWPRIMTLVERTEX", FIELD(devCaps), caps::DRAWPRIMTLVERTEX),
    need(SUBITEM, u"EXECUTESYSTEMMEMORY", FIELD(devCaps), caps::EXECUTESYSTEMMEMORY),
    flag(SUBITEM, u"EXECUTEVIDEOMEMORY", FIELD(devCaps), caps::EXECUTEVIDEOMEMORY),
    need(SUBITEM, u"HWRASTERIZATION", FIELD(devCaps), caps::HWRASTERIZATION),
    flag(SUBITEM, u"D3DDEVCAPS_HWTRANSFORMANDLIGHT", FIELD(devCaps), caps::HWTRANSFORMANDLIGHT),
    flag(SUBITEM, u"PUREDEVICE", FIELD(devCaps), caps::PUREDEVICE),
    flag(SUBITEM, u"NPATCHES", FIELD(devCaps), caps::NPATCHES),
    flag(SUBITEM, u"QUINTICRTPATCHES", FIELD(devCaps), caps::QUINTICRTPATCHES),
    flag(SUBITEM, u"RTPATCHES", FIELD(devCaps), caps::RTPATCHES),
    flag(SUBITEM, u"RTPATCHHANDLEZERO", FIELD(devCaps), caps::RTPATCHHANDLEZERO),
    heading(ITEM, u"Memory"),
    flag(SUBITEM, u"SEPARATETEXTUREMEMORIES", FIELD(devCaps), caps::SEPARATETEXTUREMEMORIES),
    flag(SUBITEM, u"CANBLTSYSTONONLOCAL", FIELD(devCaps), caps::CANBLTSYSTONONLOCAL),
    flag(SUBITEM, u"TEXTURENONLOCALVIDMEM", FIELD(devCaps), caps::TEXTURENONLOCALVIDMEM),
    flag(SUBITEM, u"TEXTURESYSTEMMEMORY", FIELD(devCaps), caps::TEXTURESYSTEMMEMORY),
    flag(SUBITEM, u"TEXTUREVIDEOMEMORY", FIELD(devCaps), caps::TEXTUREVIDEOMEMORY),
    flag(SUBITEM, u"TLVERTEXSYSTEMMEMORY", FIELD(devCaps), caps::TLVERTEXSYSTEMMEMORY),
    flag(SUBITEM, u"TLVERTEXVIDEOMEMORY", FIELD(devCaps), caps::TLVERTEXVIDEOMEMORY),

    heading(SECTION, u"PrimitiveMiscCaps"),
    need(ITEM, u"MASKZ", FIELD(primitiveMiscCaps), caps::MASKZ),
    // A device that cannot draw without culling cannot draw the game's sprites.
    need(ITEM, u"CULLNONE", FIELD(primitiveMiscCaps), caps::CULLNONE),
    need(ITEM, u"CULLCW", FIELD(primitiveMiscCaps), caps::CULLCW),
    need(ITEM, u"CULLCCW", FIELD(primitiveMiscCaps), caps::CULLCCW),
    need(ITEM, u"COLORWRITEENABLE", FIELD(primitiveMiscCaps), caps::COLORWRITEENABLE),
    heading(ITEM, u"Clipping"),
    flag(SUBITEM, u"CLIPPLANESCALEDPOINTS", FIELD(primitiveMiscCaps), caps::CLIPPLANESCALEDPOINTS),
    hex(SUBITEM, u"MaxUserClipPlanes", FIELD(maxUserClipPlanes)),
    flag(SUBITEM, u"CLIPTLVERTS", FIELD(primitiveMiscCaps), caps::CLIPTLVERTS),
    real(SUBITEM, u"GuardBandLeft", REAL(guardBandLeft)),
    real(SUBITEM, u"GuardBandRight", REAL(guardBandRight)),
    real(SUBITEM, u"GuardBandBottom", REAL(guardBandBottom)),
    real(SUBITEM, u"GuardBandTop", REAL(guardBandTop)),
    flag(ITEM, u"TSSARGTEMP", FIELD(primitiveMiscCaps), caps::TSSARGTEMP),
    need(ITEM, u"BLENDOP", FIELD(primitiveMiscCaps), caps::BLENDOP),
    flag(ITEM, u"NULLREFERENCE", FIELD(primitiveMiscCaps), caps::NULLREFERENCE),
    flag(ITEM, u"INDEPENDENTWRITEMASKS", FIELD(primitiveMiscCaps), caps::INDEPENDENTWRITEMASKS),
    flag(ITEM, u"PERSTAGECONSTANT", FIELD(primitiveMiscCaps), caps::PERSTAGECONSTANT),
    flag(ITEM, u"SEPARATEALPHABLEND", FIELD(primitiveMiscCaps), caps::SEPARATEALPHABLEND),
    heading(ITEM, u"Multipul render targets"),
    flag(SUBITEM, u"MRTINDEPENDENTBITDEPTHS", FIELD(primitiveMiscCaps),
         caps::MRTINDEPENDENTBITDEPTHS),
    flag(SUBITEM, u"MRTPOSTPIXELSHADERBLENDING", FIELD(primitiveMiscCaps),
         caps::MRTPOSTPIXELSHADERBLENDING),
    least(SUBITEM, u"NumSimultaneousRTs", FIELD(numSimultaneousRTs), 1u),
    need(ITEM, u"FOGANDSPECULARALPHA", FIELD(primitiveMiscCaps), caps::FOGANDSPECULARALPHA),
    flag(ITEM, u"FOGVERTEXCLAMPED", FIELD(primitiveMiscCaps), caps::FOGVERTEXCLAMPED),

    heading(SECTION, u"RasterCaps"),
    flag(ITEM, u"ANISOTROPY", FIELD(rasterCaps), caps::ANISOTROPY),
    need(ITEM, u"COLORPERSPECTIVE", FIELD(rasterCaps), caps::COLORPERSPECTIVE),
    flag(ITEM, u"DITHER", FIELD(rasterCaps), caps::DITHER),
    flag(ITEM, u"MIPMAPLODBIAS", FIELD(rasterCaps), caps::MIPMAPLODBIAS),
    flag(ITEM, u"MULTISAMPLE_TOGGLE", FIELD(rasterCaps), caps::MULTISAMPLE_TOGGLE),
    flag(ITEM, u"SCISSORTEST", FIELD(rasterCaps), caps::SCISSORTEST),
    flag(ITEM, u"ZBUFFERLESSHSR", FIELD(rasterCaps), caps::ZBUFFERLESSHSR),
    heading(ITEM, u"Depth Bias"),
    need(SUBITEM, u"DEPTHBIAS", FIELD(rasterCaps), caps::DEPTHBIAS),
    need(SUBITEM, u"SLOPESCALEDEPTHBIAS", FIELD(rasterCaps), caps::SLOPESCALEDEPTHBIAS),
    heading(ITEM, u"Depth Buffer"),
    flag(SUBITEM, u"WBUFFER", FIELD(rasterCaps), caps::WBUFFER),
    real(SUBITEM, u"MaxVertexW", REAL(maxVertexW)),
    flag(SUBITEM, u"ZTEST", FIELD(rasterCaps), caps::ZTEST),
    heading(ITEM, u"Fog"),
    flag(SUBITEM, u"FOGRANGE", FIELD(rasterCaps), caps::FOGRANGE),
    flag(SUBITEM, u"FOGTABLE", FIELD(rasterCaps), caps::FOGTABLE),
    flag(SUBITEM, u"FOGVERTEX", FIELD(rasterCaps), caps::FOGVERTEX),
    flag(SUBITEM, u"ZFOG", FIELD(rasterCaps), caps::ZFOG),
    flag(SUBITEM, u"WFOG", FIELD(rasterCaps), caps::WFOG),

    heading(SECTION, u"ZCmpCaps"),
    need(ITEM, u"ALWAYS", FIELD(zCmpCaps), caps::CMP_ALWAYS),
    need(ITEM, u"EQUAL", FIELD(zCmpCaps), caps::CMP_EQUAL),
    need(ITEM, u"GREATER", FIELD(zCmpCaps), caps::CMP_GREATER),
    need(ITEM, u"GREATEREQUAL", FIELD(zCmpCaps), caps::CMP_GREATEREQUAL),
    need(ITEM, u"LESS", FIELD(zCmpCaps), caps::CMP_LESS),
    need(ITEM, u"LESSEQUAL", FIELD(zCmpCaps), caps::CMP_LESSEQUAL),
    need(ITEM, u"NEVER", FIELD(zCmpCaps), caps::CMP_NEVER),
    need(ITEM, u"NOTEQUAL", FIELD(zCmpCaps), caps::CMP_NOTEQUAL),
    heading(SECTION, u"AlphaCmpCaps"),
    need(ITEM, u"ALWAYS", FIELD(alphaCmpCaps), caps::CMP_ALWAYS),
    need(ITEM, u"EQUAL", FIELD(alphaCmpCaps), caps::CMP_EQUAL),
    need(ITEM, u"GREATER", FIELD(alphaCmpCaps), caps::CMP_GREATER),
    need(ITEM, u"GREATEREQUAL", FIELD(alphaCmpCaps), caps::CMP_GREATEREQUAL),
    need(ITEM, u"LESS", FIELD(alphaCmpCaps), caps::CMP_LESS),
    need(ITEM, u"LESSEQUAL", FIELD(alphaCmpCaps), caps::CMP_LESSEQUAL),
    need(ITEM, u"NEVER", FIELD(alphaCmpCaps), caps::CMP_NEVER),
    need(ITEM, u"NOTEQUAL", FIELD(alphaCmpCaps), caps::CMP_NOTEQUAL),
    heading(SECTION, u"SrcBlendCaps"),
    need(ITEM, u"ZERO", FIELD(srcBlendCaps), caps::BLEND_ZERO),
    need(ITEM, u"ONE", FIELD(srcBlendCaps), caps::BLEND_ONE),
    need(ITEM, u"SRCCOLOR", FIELD(srcBlendCaps), caps::BLEND_SRCCOLOR),
    need(ITEM, u"INVSRCCOLOR", FIELD(srcBlendCaps), caps::BLEND_INVSRCCOLOR),
    need(ITEM, u"SRCALPHA", FIELD(srcBlendCaps), caps::BLEND_SRCALPHA),
    need(ITEM, u"INVSRCALPHA", FIELD(srcBlendCaps), caps::BLEND_INVSRCALPHA),
    need(ITEM, u"DESTCOLOR", FIELD(srcBlendCaps), caps::BLEND_DESTCOLOR),
    need(ITEM, u"INVDESTCOLOR", FIELD(srcBlendCaps), caps::BLEND_INVDESTCOLOR),
    need(ITEM, u"DESTALPHA", FIELD(srcBlendCaps), caps::BLEND_DESTALPHA),
    need(ITEM, u"INVDESTALPHA", FIELD(srcBlendCaps), caps::BLEND_INVDESTALPHA),
    need(ITEM, u"SRCALPHASAT", FIELD(srcBlendCaps), caps::BLEND_SRCALPHASAT),
    flag(ITEM, u"BLENDFACTOR", FIELD(srcBlendCaps), caps::BLEND_BLENDFACTOR),
    need(ITEM, u"BOTHINVSRCALPHA", FIELD(srcBlendCaps), caps::BLEND_BOTHINVSRCALPHA),
    flag(ITEM, u"BOTHSRCALPHA", FIELD(srcBlendCaps), caps::BLEND_BOTHSRCALPHA),
    heading(SECTION, u"DestBlendCaps"),
    need(ITEM, u"ZERO", FIELD(destBlendCaps), caps::BLEND_ZERO),
    need(ITEM, u"ONE", FIELD(destBlendCaps), caps::BLEND_ONE),
    need(ITEM, u"SRCCOLOR", FIELD(destBlendCaps), caps::BLEND_SRCCOLOR),
    need(ITEM, u"INVSRCCOLOR", FIELD(destBlendCaps), caps::BLEND_INVSRCCOLOR),
    need(ITEM, u"SRCALPHA", FIELD(destBlendCaps), caps::BLEND_SRCALPHA),
    need(ITEM, u"INVSRCALPHA", FIELD(destBlendCaps), caps::BLEND_INVSRCALPHA),
    need(ITEM, u"DESTCOLOR", FIELD(destBlendCaps), caps::BLEND_DESTCOLOR),
    need(ITEM, u"INVDESTCOLOR", FIELD(destBlendCaps), caps::BLEND_INVDESTCOLOR),
    need(ITEM, u"DESTALPHA", FIELD(destBlendCaps), caps::BLEND_DESTALPHA),
    need(ITEM, u"INVDESTALPHA", FIELD(destBlendCaps), caps::BLEND_INVDESTALPHA),
    flag(ITEM, u"SRCALPHASAT", FIELD(destBlendCaps), caps::BLEND_SRCALPHASAT),
    flag(ITEM, u"BLENDFACTOR", FIELD(destBlendCaps), caps::BLEND_BLENDFACTOR),
    flag(ITEM, u"BOTHINVSRCALPHA", FIELD(destBlendCaps), caps::BLEND_BOTHINVSRCALPHA),
    flag(ITEM, u"BOTHSRCALPHA", FIELD(destBlendCaps), caps::BLEND_BOTHSRCALPHA),

    heading(SECTION, u"ShadeCaps"),
    need(ITEM, u"ALPHAGOURAUDBLEND", FIELD(shadeCaps), caps::ALPHAGOURAUDBLEND),
    need(ITEM, u"FOGGOURAUD", FIELD(shadeCaps), caps::FOGGOURAUD),
    need(ITEM, u"COLORGOURAUDRGB", FIELD(shadeCaps), caps::COLORGOURAUDRGB),
    need(ITEM, u"SPECULARGOURAUDRGB", FIELD(shadeCaps), caps::SPECULARGOURAUDRGB),

    heading(SECTION, u"TextureCaps"),
    least(ITEM, u"MaxTextureWidth", FIELD(maxTextureWidth), 0x800u),
    least(ITEM, u"MaxTextureHeight", FIELD(maxTextureHeight), 0x800u),
    hex(ITEM, u"MaxTextureRepeat", FIELD(maxTextureRepeat)),
    hex(ITEM, u"MaxTextureAspectRatio", FIELD(maxTextureAspectRatio)),
    hex(ITEM, u"MaxAnisotropy", FIELD(maxAnisotropy)),
    need(ITEM, u"ALPHA", FIELD(textureCaps), caps::TEX_ALPHA),
    flag(ITEM, u"ALPHAPALETTE", FIELD(textureCaps), caps::TEX_ALPHAPALETTE),
    flag(ITEM, u"NOPROJECTEDBUMPENV", FIELD(textureCaps), caps::TEX_NOPROJECTEDBUMPENV),
    need(ITEM, u"PERSPECTIVE", FIELD(textureCaps), caps::TEX_PERSPECTIVE),
    need(ITEM, u"PROJECTED", FIELD(textureCaps), caps::TEX_PROJECTED),
    // Texture coordinates address the whole texture, not its texels.
    need(ITEM, u"TEXREPEATNOTSCALEDBYSIZE", FIELD(textureCaps), caps::TEX_REPEATNOTSCALEDBYSIZE),
    need(ITEM, u"Mipmap", FIELD(textureCaps), caps::TEX_MIPMAP),
    heading(ITEM, u"Texture Size"),
    // The game's textures are not square: a device limited to square ones fails.
    needClear(SUBITEM, u"SQUAREONLY", FIELD(textureCaps), caps::TEX_SQUAREONLY),
    flag(SUBITEM, u"POW2", FIELD(textureCaps), caps::TEX_POW2),
    flag(SUBITEM, u"NONPOW2CONDITIONAL", FIELD(textureCaps), caps::TEX_NONPOW2CONDITIONAL),
    need(ITEM, u"CUBEMAP", FIELD(textureCaps), caps::TEX_CUBEMAP),
    flag(ITEM, u"CUBEMAP_POW2", FIELD(textureCaps), caps::TEX_CUBEMAP_POW2),
    need(ITEM, u"MIPCUBEMAP", FIELD(textureCaps), caps::TEX_MIPCUBEMAP),
    need(ITEM, u"VOLUMEMAP", FIELD(textureCaps), caps::TEX_VOLUMEMAP),
    least(ITEM, u"MaxVolumeExtent", FIELD(maxVolumeExtent), 0x100u),
    flag(ITEM, u"VOLUMEMAP_POW2", FIELD(textureCaps), caps::TEX_VOLUMEMAP_POW2),
    need(ITEM, u"MIPVOLUMEMAP", FIELD(textureCaps), caps::TEX_MIPVOLUMEMAP),

    heading(SECTION, u"TextureFilteCaps"),
    need(ITEM, u"MAGFPOINT", FIELD(textureFilterCaps), caps::MAGFPOINT),
    need(ITEM, u"MINFPOINT", FIELD(textureFilterCaps), caps::MINFPOINT),
    need(ITEM, u"MAGFLINEAR", FIELD(textureFilterCaps), caps::MAGFLINEAR),
    need(ITEM, u"MINFLINEAR", FIELD(textureFilterCaps), caps::MINFLINEAR),
    flag(ITEM, u"MAGFANISOTROPIC", FIELD(textureFilterCaps), caps::MAGFANISOTROPIC),
    flag(ITEM, u"MINFANISOTROPIC", FIELD(textureFilterCaps), caps::MINFANISOTROPIC),
    flag(ITEM, u"MAGFPYRAMIDALQUAD", FIELD(textureFilterCaps), caps::MAGFPYRAMIDALQUAD),
    flag(ITEM, u"MINFPYRAMIDALQUAD", FIELD(textureFilterCaps), caps::MINFPYRAMIDALQUAD),
    flag(ITEM, u"MAGFGAUSSIANQUAD", FIELD(textureFilterCaps), caps::MAGFGAUSSIANQUAD),
    flag(ITEM, u"MINFGAUSSIANQUAD", FIELD(textureFilterCaps), caps::MINFGAUSSIANQUAD),
    heading(SECTION, u"CubeTextureFilterCaps"),
    need(ITEM, u"MAGFPOINT", FIELD(cubeTextureFilterCaps), caps::MAGFPOINT),
    need(ITEM, u"MINFPOINT", FIELD(cubeTextureFilterCaps), caps::MINFPOINT),
    need(ITEM, u"MAGFLINEAR", FIELD(cubeTextureFilterCaps), caps::MAGFLINEAR),
    need(ITEM, u"MINFLINEAR", FIELD(cubeTextureFilterCaps), caps::MINFLINEAR),
    flag(ITEM, u"MAGFANISOTROPIC", FIELD(cubeTextureFilterCaps), caps::MAGFANISOTROPIC),
    flag(ITEM, u"MINFANISOTROPIC", FIELD(cubeTextureFilterCaps), caps::MINFANISOTROPIC),
    flag(ITEM, u"MAGFPYRAMIDALQUAD", FIELD(cubeTextureFilterCaps), caps::MAGFPYRAMIDALQUAD),
    flag(ITEM, u"MINFPYRAMIDALQUAD", FIELD(cubeTextureFilterCaps), caps::MINFPYRAMIDALQUAD),
    flag(ITEM, u"MAGFGAUSSIANQUAD", FIELD(cubeTextureFilterCaps), caps::MAGFGAUSSIANQUAD),
    flag(ITEM, u"MINFGAUSSIANQUAD", FIELD(cubeTextureFilterCaps), caps::MINFGAUSSIANQUAD),
    heading(SECTION, u"VolumeTextureFilterCaps"),
    need(ITEM, u"MAGFPOINT", FIELD(volumeTextureFilterCaps), caps::MAGFPOINT),
    need(ITEM, u"MINFPOINT", FIELD(volumeTextureFilterCaps), caps::MINFPOINT),
    flag(ITEM, u"MAGFLINEAR", FIELD(volumeTextureFilterCaps), caps::MAGFLINEAR),
    flag(ITEM, u"MINFLINEAR", FIELD(volumeTextureFilterCaps), caps::MINFLINEAR),
    flag(ITEM, u"MAGFANISOTROPIC", FIELD(volumeTextureFilterCaps), caps::MAGFANISOTROPIC),
    flag(ITEM, u"MINFANISOTROPIC", FIELD(volumeTextureFilterCaps), caps::MINFANISOTROPIC),
    flag(ITEM, u"MAGFPYRAMIDALQUAD", FIELD(volumeTextureFilterCaps), caps::MAGFPYRAMIDALQUAD),
    flag(ITEM, u"MINFPYRAMIDALQUAD", FIELD(volumeTextureFilterCaps), caps::MINFPYRAMIDALQUAD),
    flag(ITEM, u"MAGFGAUSSIANQUAD", FIELD(volumeTextureFilterCaps), caps::MAGFGAUSSIANQUAD),
    flag(ITEM, u"MINFGAUSSIANQUAD", FIELD(volumeTextureFilterCaps), caps::MINFGAUSSIANQUAD),
    heading(SECTION, u"TextureAddressCaps"),
    flag(ITEM, u"INDEPENDENTUVuv", FIELD(textureAddressCaps), caps::TADDRESS_INDEPENDENTUV),
    flag(ITEM, u"BORDER", FIELD(textureAddressCaps), caps::TADDRESS_BORDER),
    need(ITEM, u"CLAMP", FIELD(textureAddressCaps), caps::TADDRESS_CLAMP),
    need(ITEM, u"MIRROR", FIELD(textureAddressCaps), caps::TADDRESS_MIRROR),
    flag(ITEM, u"MIRRORONCE", FIELD(textureAddressCaps), caps::TADDRESS_MIRRORONCE),
    need(ITEM, u"WRAP", FIELD(textureAddressCaps), caps::TADDRESS_WRAP),
    heading(SECTION, u"VolumeTextureAddressCaps"),
    flag(ITEM, u"INDEPENDENTUV", FIELD(volumeTextureAddressCaps), caps::TADDRESS_INDEPENDENTUV),
    flag(ITEM, u"BORDER", FIELD(volumeTextureAddressCaps), caps::TADDRESS_BORDER),
    need(ITEM, u"CLAMP", FIELD(volumeTextureAddressCaps), caps::TADDRESS_CLAMP),
    need(ITEM, u"MIRROR", FIELD(volumeTextureAddressCaps), caps::TADDRESS_MIRROR),
    flag(ITEM, u"MIRRORONCE", FIELD(volumeTextureAddressCaps), caps::TADDRESS_MIRRORONCE),
    need(ITEM, u"WRAP", FIELD(volumeTextureAddressCaps), caps::TADDRESS_WRAP),

    heading(SECTION, u"TextureOpCaps"),
    hex(ITEM, u"MaxTextureBlendStages", FIELD(maxTextureBlendStages)),
    hex(ITEM, u"MaxSimultaneousTextures", FIELD(maxSimultaneousTextures)),
    flag(ITEM, u"ADD", FIELD(textureOpCaps), caps::TOP_ADD),
    flag(ITEM, u"ADDSIGNED", FIELD(textureOpCaps), caps::TOP_ADDSIGNED),
    flag(ITEM, u"ADDSIGNED2X", FIELD(textureOpCaps), caps::TOP_ADDSIGNED2X),
    flag(ITEM, u"ADDSMOOTH", FIELD(textureOpCaps), caps::TOP_ADDSMOOTH),
    flag(ITEM, u"BLENDCURRENTALPHA", FIELD(textureOpCaps), caps::TOP_BLENDCURRENTALPHA),
    flag(ITEM, u"BLENDDIFFUSEALPHA", FIELD(textureOpCaps), caps::TOP_BLENDDIFFUSEALPHA),
    flag(ITEM, u"BLENDFACTORALPHA", FIELD(textureOpCaps), caps::TOP_BLENDFACTORALPHA),
    flag(ITEM, u"BLENDTEXTUREALPHA", FIELD(textureOpCaps), caps::TOP_BLENDTEXTUREALPHA),
    flag(ITEM, u"BLENDTEXTUREALPHAPM", FIELD(textureOpCaps), caps::TOP_BLENDTEXTUREALPHAPM),
    flag(ITEM, u"BUMPENVMAP", FIELD(textureOpCaps), caps::TOP_BUMPENVMAP),
    flag(ITEM, u"BUMPENVMAPLUMINANCE", FIELD(textureOpCaps), caps::TOP_BUMPENVMAPLUMINANCE),
    flag(ITEM, u"DISABLE", FIELD(textureOpCaps), caps::TOP_DISABLE),
    flag(ITEM, u"DOTPRODUCT3", FIELD(textureOpCaps), caps::TOP_DOTPRODUCT3),
    flag(ITEM, u"LERP", FIELD(textureOpCaps), caps::TOP_LERP),
    flag(ITEM, u"MODULATE", FIELD(textureOpCaps), caps::TOP_MODULATE),
    flag(ITEM, u"MODULATE2X", FIELD(textureOpCaps), caps::TOP_MODULATE2X),
    flag(ITEM, u"MODULATE4X", FIELD(textureOpCaps), caps::TOP_MODULATE4X),
    flag(ITEM, u"MODULATEALPHA_ADDCOLOR", FIELD(textureOpCaps), caps::TOP_MODULATEALPHA_ADDCOLOR),
    flag(ITEM, u"MODULATECOLOR_ADDALPHA", FIELD(textureOpCaps), caps::TOP_MODULATECOLOR_ADDALPHA),
    flag(ITEM, u"MODULATEINVALPHA_ADDCOLOR", FIELD(textureOpCaps),
         caps::TOP_MODULATEINVALPHA_ADDCOLOR),
    flag(ITEM, u"MODULATEINVCOLOR_ADDALPHA", FIELD(textureOpCaps),
         caps::TOP_MODULATEINVCOLOR_ADDALPHA),
    flag(ITEM, u"MULTIPLYADD", FIELD(textureOpCaps), caps::TOP_MULTIPLYADD),
    flag(ITEM, u"PREMODULATE", FIELD(textureOpCaps), caps::TOP_PREMODULATE),
    flag(ITEM, u"SELECTARG1", FIELD(textureOpCaps), caps::TOP_SELECTARG1),
    flag(ITEM, u"SELECTARG2", FIELD(textureOpCaps), caps::TOP_SELECTARG2),
    flag(ITEM, u"SUBTRACT", FIELD(textureOpCaps), caps::TOP_SUBTRACT),

    heading(SECTION, u"LineCaps"),
    need(ITEM, u"ALPHACMP", FIELD(lineCaps), caps::LINE_ALPHACMP),
    flag(ITEM, u"ANTIALIAS", FIELD(lineCaps), caps::LINE_ANTIALIAS),
    need(ITEM, u"BLEND", FIELD(lineCaps), caps::LINE_BLEND),
    flag(ITEM, u"FOG", FIELD(lineCaps), caps::LINE_FOG),
    need(ITEM, u"TEXTURE", FIELD(lineCaps), caps::LINE_TEXTURE),
    need(ITEM, u"ZTEST", FIELD(lineCaps), caps::LINE_ZTEST),
    real(ITEM, u"ExtentsAdjust", REAL(extentsAdjust)),

    heading(SECTION, u"StencilCaps"),
    need(ITEM, u"KEEP", FIELD(stencilCaps), caps::STENCIL_KEEP),
    need(ITEM, u"ZERO", FIELD(stencilCaps), caps::STENCIL_ZERO),
    need(ITEM, u"REPLACE", FIELD(stencilCaps), caps::STENCIL_REPLACE),
    need(ITEM, u"INCRSAT", FIELD(stencilCaps), caps::STENCIL_INCRSAT),
    need(ITEM, u"DECRSAT", FIELD(stencilCaps), caps::STENCIL_DECRSAT),
    need(ITEM, u"INVERT", FIELD(stencilCaps), caps::STENCIL_INVERT),
    need(ITEM, u"INCR", FIELD(stencilCaps), caps::STENCIL_INCR),
    need(ITEM, u"DECR", FIELD(stencilCaps), caps::STENCIL_DECR),
    flag(ITEM, u"TWOSIDED", FIELD(stencilCaps), caps::STENCIL_TWOSIDED),

    heading(SECTION, u"FVFCaps"),
    flag(ITEM, u"DONOTSTRIPELEMENTS", FIELD(fvfCaps), caps::FVF_DONOTSTRIPELEMENTS),
    flag(ITEM, u"PSIZE", FIELD(fvfCaps), caps::FVF_PSIZE),
    hex(ITEM, u"TEXCOORDCOUNTMASK", NUMBER(c.fvfCaps& caps::FVF_TEXCOORDCOUNTMASK)),

    heading(SECTION, u"VertexProcessingCaps"),
    flag(ITEM, u"LOCALVIEWER", FIELD(vertexProcessingCaps), caps::VTX_LOCALVIEWER),
    flag(ITEM, u"MATERIALSOURCE7", FIELD(vertexProcessingCaps), caps::VTX_MATERIALSOURCE7),
    flag(ITEM, u"NO_TEXGEN_NONLOCALVIEWER", FIELD(vertexProcessingCaps),
         caps::VTX_NO_TEXGEN_NONLOCALVIEWER),
    flag(ITEM, u"TEXGEN", FIELD(vertexProcessingCaps), caps::VTX_TEXGEN),
    flag(ITEM, u"TEXGEN_SPHEREMAP", FIELD(vertexProcessingCaps), caps::VTX_TEXGEN_SPHEREMAP),
    flag(ITEM, u"TWEENING", FIELD(vertexProcessingCaps), caps::VTX_TWEENING),
    hex(ITEM, u"MaxVertexBlendMatrices", FIELD(maxVertexBlendMatrices)),
    hex(ITEM, u"MaxVertexBlendMatrixIndex+1", NUMBER(c.maxVertexBlendMatrixIndex + 1)),
    least(ITEM, u"MaxPrimitiveCount", FIELD(maxPrimitiveCount), 0xFFDAu),
    least(ITEM, u"MaxVertexIndex", FIELD(maxVertexIndex), 0xFFDCu),
    hex(ITEM, u"MaxStreams", FIELD(maxStreams)),
    hex(ITEM, u"MaxStreamStride", FIELD(maxStreamStride)),

    heading(SECTION, u"DeclTypes"),
    flag(ITEM, u"UBYTE4", FIELD(declTypes), caps::DT_UBYTE4),
    flag(ITEM, u"UBYTE4[0.0, 1.0]", FIELD(declTypes), caps::DT_UBYTE4N),
    flag(ITEM, u"SHORT2[-1.0, 1.0]", FIELD(declTypes), caps::DT_SHORT2N),
    flag(ITEM, u"SHORT4[-1.0, 1.0]", FIELD(declTypes), caps::DT_SHORT4N),
    flag(ITEM, u"USHORT2[0.0, 1.0]", FIELD(declTypes), caps::DT_USHORT2N),
    flag(ITEM, u"USHORT4[0.0, 1.0]", FIELD(declTypes), caps::DT_USHORT4N),
    flag(ITEM, u"UDEC3[0.0, 1023.0](10:10:10)", FIELD(declTypes), caps::DT_UDEC3),
    flag(ITEM, u"DEC3N[-1.0, 1.0](10:10:10)", FIELD(declTypes), caps::DT_DEC3N),
    flag(ITEM, u"FLOAT16_2", FIELD(declTypes), caps::DT_FLOAT16_2),
    flag(ITEM, u"FLOAT16_4", FIELD(declTypes), caps::DT_FLOAT16_4),

    heading(SECTION, u"VertexProcessingCaps"),
    flag(ITEM, u"DIRECTIONALLIGHTS", FIELD(vertexProcessingCaps), caps::VTX_DIRECTIONALLIGHTS),
    flag(ITEM, u"POSITIONALLIGHTS(includes point, spot)", FIELD(vertexProcessingCaps),
         caps::VTX_POSITIONALLIGHTS),
    hex(ITEM, u"MaxActiveLights", FIELD(maxActiveLights)),
    real(SECTION, u"MaxPointSize", REAL(maxPointSize)),

    heading(SECTION, u"Shader"),
    least(ITEM, u"VertexShaderVersion", NUMBER(c.vertexShaderVersion & 0xFFFFu), 0x200u),
    least(ITEM, u"MaxVertexShaderConst", FIELD(maxVertexShaderConst), 0x100u),
    hex(ITEM, u"MaxVShaderInstructionsExecuted", FIELD(maxVShaderInstructionsExecuted)),
    hex(ITEM, u"MaxVertexShader30InstructionSlots", FIELD(maxVertexShader30InstructionSlots)),
    heading(ITEM, u"VertexTextureFilterCaps"),
    flag(SUBITEM, u"MAGFPOINT", FIELD(vertexTextureFilterCaps), caps::MAGFPOINT),
    flag(SUBITEM, u"MINFPOINT", FIELD(vertexTextureFilterCaps), caps::MINFPOINT),
    flag(SUBITEM, u"MAGFLINEAR", FIELD(vertexTextureFilterCaps), caps::MAGFLINEAR),
    flag(SUBITEM, u"MINFLINEAR", FIELD(vertexTextureFilterCaps), caps::MINFLINEAR),
    flag(SUBITEM, u"MAGFANISOTROPIC", FIELD(vertexTextureFilterCaps), caps::MAGFANISOTROPIC),
    flag(SUBITEM, u"MINFANISOTROPIC", FIELD(vertexTextureFilterCaps), caps::MINFANISOTROPIC),
    flag(SUBITEM, u"MAGFPYRAMIDALQUAD", FIELD(vertexTextureFilterCaps), caps::MAGFPYRAMIDALQUAD),
    flag(SUBITEM, u"MINFPYRAMIDALQUAD", FIELD(vertexTextureFilterCaps), caps::MINFPYRAMIDALQUAD),
    flag(SUBITEM, u"MAGFGAUSSIANQUAD", FIELD(vertexTextureFilterCaps), caps::MAGFGAUSSIANQUAD),
    flag(SUBITEM, u"MINFGAUSSIANQUAD", FIELD(vertexTextureFilterCaps), caps::MINFGAUSSIANQUAD),
    heading(ITEM, u"VS20Caps"),
    hex(SUBITEM, u"Caps", FIELD(vs20Caps.caps)),
    hex(SUBITEM, u"NumTemps", NUMBER(static_cast<uint32_t>(c.vs20Caps.numTemps))),
    hex(SUBITEM, u"DynamicFlowControlDepth",
        NUMBER(static_cast<uint32_t>(c.vs20Caps.dynamicFlowControlDepth))),
    hex(SUBITEM, u"StaticFlowControlDepth",
        NUMBER(static_cast<uint32_t>(c.vs20Caps.staticFlowControlDepth))),
    least(ITEM, u"PixelShaderVersion", NUMBER(c.pixelShaderVersion & 0xFFFFu), 0x200u),
    leastReal(ITEM, u"PixelShader1xMaxValue", REAL(pixelShader1xMaxValue), 1.0f),
    hex(ITEM, u"MaxPShaderInstructionsExecuted", FIELD(maxPShaderInstructionsExecuted)),
    hex(ITEM, u"MaxPixelShader30InstructionSlots", FIELD(maxPixelShader30InstructionSlots)),
    heading(ITEM, u"PS20Caps"),
    hex(SUBITEM, u"Caps", FIELD(ps20Caps.caps)),
    hex(SUBITEM, u"NumTemps", NUMBER(static_cast<uint32_t>(c.ps20Caps.numTemps))),
    hex(SUBITEM, u"DynamicFlowControlDepth",
        NUMBER(static_cast<uint32_t>(c.ps20Caps.dynamicFlowControlDepth))),
    hex(SUBITEM, u"StaticFlowControlDepth",
        NUMBER(static_cast<uint32_t>(c.ps20Caps.staticFlowControlDepth))),
    hex(SUBITEM, u"NumInstructionSlots",
        NUMBER(static_cast<uint32_t>(c.ps20Caps.numInstructionSlots))),

    heading(SECTION, u"Tesselator/N-Patch"),
    flag(ITEM, u"ADAPTIVETESSRTPATCH", FIELD(devCaps2), caps::ADAPTIVETESSRTPATCH),
    flag(ITEM, u"ADAPTIVETESSNPATCH", FIELD(devCaps2), caps::ADAPTIVETESSNPATCH),
    flag(ITEM, u"CAN_STRETCHRECT_FROM_TEXTURES", FIELD(devCaps2),
         caps::CAN_STRETCHRECT_FROM_TEXTURES),
    flag(ITEM, u"DMAPNPATCH", FIELD(devCaps2), caps::DMAPNPATCH),
    flag(ITEM, u"PRESAMPLEDDMAPNPATCH", FIELD(devCaps2), caps::PRESAMPLEDDMAPNPATCH),
    flag(ITEM, u"STREAMOFFSET", FIELD(devCaps2), caps::STREAMOFFSET),
    flag(ITEM, u"VERTEXELEMENTSCANSHARESTREAMOFFSET", FIELD(devCaps2),
         caps::VERTEXELEMENTSCANSHARESTREAMOFFSET),
    hex(ITEM, u"MasterAdapterOrdinal", FIELD(masterAdapterOrdinal)),
    hex(ITEM, u"AdapterOrdinalInGroup", FIELD(adapterOrdinalInGroup)),
    hex(ITEM, u"NumberOfAdaptersInGroup", FIELD(numberOfAdaptersInGroup)),

    heading(SECTION, u"StretchRectFilterCaps(IDirect3DDevice9::StretchRect())"),
    flag(ITEM, u"MAGFPOINT", FIELD(stretchRectFilterCaps), caps::MAGFPOINT),
    need(ITEM, u"MINFPOINT", FIELD(stretchRectFilterCaps), caps::MINFPOINT),
    flag(ITEM, u"MAGFLINEAR", FIELD(stretchRectFilterCaps), caps::MAGFLINEAR),
    flag(ITEM, u"MINFLINEAR", FIELD(stretchRectFilterCaps), caps::MINFLINEAR),
};

#undef FIELD
#undef NUMBER
#undef REAL

void reportCaps(Report& r, const gpu::Caps& c) {
    for (const Row& row : CAPS_ROWS) {
        switch (row.kind) {
        case Kind::Heading:
            r.heading(row.prefix, row.name);
            break;
        case Kind::Flag:
            r.flag(row.prefix, row.name, row.number(c), row.bit);
            break;
        case Kind::Need:
            r.required(row.prefix, row.name, row.number(c), row.bit);
            break;
        case Kind::NeedClear: {
            const bool set = (row.number(c) & row.bit) != 0;
            r.required(row.prefix, row.name, set, !set);
            break;
        }
        case Kind::Least:
            r.minimum(row.prefix, row.name, row.bit, row.number(c));
            break;
        case Kind::LeastReal:
            r.minimum(row.prefix, row.name, row.least, row.real(c));
            break;
        case Kind::Hex:
            r.hex(row.prefix, row.name, row.number(c));
            break;
        case Kind::Real:
            r.real(row.prefix, row.name, row.real(c));
            break;
        }
    }
}

} // namespace

uint32_t ZqGlSystem::reportDeviceCaps(const char16_t* const path) {
    // Without a started device the report brings its own adapter object.
    std::shared_ptr<gpu::System> system = m_pD3d != nullptr ? m_pD3d : gpu::createSystem();

    // The adapters, the creation row in use, then the capability rows.
    Report report;
    if (system != nullptr) {
        reportAdapters(report, *system, m_vendorId);
    } else {
        report.hex(u"", u"AdapterCount", 0);
    }
    report.heading(u"", DEVICE_ROW_TEXT[m_devBehavior < 2 ? m_devBehavior : 0]);
    reportCaps(report, m_d3dCaps);

    // The file, when asked for: the whole text as UTF-8 in one write; no file is no error.
    if (path != nullptr) {
        ZqStringMb utf8;
        ZqStringMb fileName;
        if (zqChar2Utf8(report.text().data(), static_cast<int>(report.text().size()), utf8) == 0 ||
            zqChar2Utf8(path, -1, fileName) == 0) {
            throw ZqError::CAPS_REPORT;
        }
        if (std::FILE* const f = std::fopen(fileName.c_str(), "wb"); f != nullptr) {
            std::fwrite(utf8.data(), 1, utf8.size(), f);
            std::fclose(f);
        }
    }
    return report.failed();
}

uint32_t ZqGlSystem::getMaxAnisotropy() {
    return m_d3dCaps.maxAnisotropy;
}

bool ZqGlSystem::isDynamicTextureAvailable() {
    return (m_d3dCaps.caps2 & caps::DYNAMICTEXTURES) != 0;
}

uint32_t ZqGlSystem::getNrAdapters() {
    const std::shared_ptr<gpu::System> system = m_pD3d != nullptr ? m_pD3d : gpu::createSystem();
    return system != nullptr ? system->getAdapterCount() : 0;
}

bool ZqGlSystem::getAdapterName(const uint32_t adapter, char16_t* const name) {
    const std::shared_ptr<gpu::System> system = m_pD3d != nullptr ? m_pD3d : gpu::createSystem();
    gpu::AdapterIdentifier id;
    if (name == nullptr || system == nullptr ||
        system->getAdapterIdentifier(adapter, id) != gpu::Result::Ok) {
        return false;
    }
    // The description is UTF-8 of at most 512 bytes; the buffer takes 512 characters.
    ZqString wide;
    zqUtf82Char(id.description, static_cast<int>(strnlen(id.description, sizeof id.description)),
                wide);
    const size_t n = std::min<size_t>(wide.size(), 511);
    std::copy_n(wide.begin(), n, name);
    name[n] = 0;
    return true;
}

bool ZqGlSystem::getAdapterIds(const uint32_t adapter, uint32_t* const vendorId,
                               uint32_t* const deviceId, uint32_t* const subSysId,
                               uint32_t* const revision) {
    const std::shared_ptr<gpu::System> system = m_pD3d != nullptr ? m_pD3d : gpu::createSystem();
    gpu::AdapterIdentifier id;
    if (system == nullptr || system->getAdapterIdentifier(adapter, id) != gpu::Result::Ok) {
        return false;
    }
    if (vendorId != nullptr) {
        *vendorId = id.vendorId;
    }
    if (deviceId != nullptr) {
        *deviceId = id.deviceId;
    }
    if (subSysId != nullptr) {
        *subSysId = id.subSysId;
    }
    if (revision != nullptr) {
        *revision = id.revision;
    }
    return true;
}
