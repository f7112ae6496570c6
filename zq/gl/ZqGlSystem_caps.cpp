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

void reportFilters(Report& r, const char16_t* section, const uint32_t f, const bool linearNeeded,
                   const bool pointNeeded) {
    r.heading(SECTION, section);
    const auto item = [&](const char16_t* name, const uint32_t bit, const bool needed) {
        if (needed) {
            r.required(ITEM, name, f, bit);
        } else {
            r.flag(ITEM, name, f, bit);
        }
    };
    item(u"MAGFPOINT", caps::MAGFPOINT, pointNeeded);
    item(u"MINFPOINT", caps::MINFPOINT, pointNeeded);
    item(u"MAGFLINEAR", caps::MAGFLINEAR, linearNeeded);
    item(u"MINFLINEAR", caps::MINFLINEAR, linearNeeded);
    item(u"MAGFANISOTROPIC", caps::MAGFANISOTROPIC, false);
    item(u"MINFANISOTROPIC", caps::MINFANISOTROPIC, false);
    item(u"MAGFPYRAMIDALQUAD", caps::MAGFPYRAMIDALQUAD, false);
    item(u"MINFPYRAMIDALQUAD", caps::MINFPYRAMIDALQUAD, false);
    item(u"MAGFGAUSSIANQUAD", caps::MAGFGAUSSIANQUAD, false);
    item(u"MINFGAUSSIANQUAD", caps::MINFGAUSSIANQUAD, false);
}

void reportAddress(Report& r, const char16_t* section, const char16_t* independent,
                   const uint32_t f) {
    r.heading(SECTION, section);
    r.flag(ITEM, independent, f, caps::TADDRESS_INDEPENDENTUV);
    r.flag(ITEM, u"BORDER", f, caps::TADDRESS_BORDER);
    r.required(ITEM, u"CLAMP", f, caps::TADDRESS_CLAMP);
    r.required(ITEM, u"MIRROR", f, caps::TADDRESS_MIRROR);
    r.flag(ITEM, u"MIRRORONCE", f, caps::TADDRESS_MIRRORONCE);
    r.required(ITEM, u"WRAP", f, caps::TADDRESS_WRAP);
}

void reportCompare(Report& r, const char16_t* section, const uint32_t f) {
    r.heading(SECTION, section);
    r.required(ITEM, u"ALWAYS", f, caps::CMP_ALWAYS);
    r.required(ITEM, u"EQUAL", f, caps::CMP_EQUAL);
    r.required(ITEM, u"GREATER", f, caps::CMP_GREATER);
    r.required(ITEM, u"GREATEREQUAL", f, caps::CMP_GREATEREQUAL);
    r.required(ITEM, u"LESS", f, caps::CMP_LESS);
    r.required(ITEM, u"LESSEQUAL", f, caps::CMP_LESSEQUAL);
    r.required(ITEM, u"NEVER", f, caps::CMP_NEVER);
    r.required(ITEM, u"NOTEQUAL", f, caps::CMP_NOTEQUAL);
}

void reportBlend(Report& r, const char16_t* section, const uint32_t f, const bool source) {
    r.heading(SECTION, section);
    r.required(ITEM, u"ZERO", f, caps::BLEND_ZERO);
    r.required(ITEM, u"ONE", f, caps::BLEND_ONE);
    r.required(ITEM, u"SRCCOLOR", f, caps::BLEND_SRCCOLOR);
    r.required(ITEM, u"INVSRCCOLOR", f, caps::BLEND_INVSRCCOLOR);
    r.required(ITEM, u"SRCALPHA", f, caps::BLEND_SRCALPHA);
    r.required(ITEM, u"INVSRCALPHA", f, caps::BLEND_INVSRCALPHA);
    r.required(ITEM, u"DESTCOLOR", f, caps::BLEND_DESTCOLOR);
    r.required(ITEM, u"INVDESTCOLOR", f, caps::BLEND_INVDESTCOLOR);
    r.required(ITEM, u"DESTALPHA", f, caps::BLEND_DESTALPHA);
    r.required(ITEM, u"INVDESTALPHA", f, caps::BLEND_INVDESTALPHA);
    if (source) {
        r.required(ITEM, u"SRCALPHASAT", f, caps::BLEND_SRCALPHASAT);
        r.flag(ITEM, u"BLENDFACTOR", f, caps::BLEND_BLENDFACTOR);
        r.required(ITEM, u"BOTHINVSRCALPHA", f, caps::BLEND_BOTHINVSRCALPHA);
    } else {
        r.flag(ITEM, u"SRCALPHASAT", f, caps::BLEND_SRCALPHASAT);
        r.flag(ITEM, u"BLENDFACTOR", f, caps::BLEND_BLENDFACTOR);
        r.flag(ITEM, u"BOTHINVSRCALPHA", f, caps::BLEND_BOTHINVSRCALPHA);
    }
    r.flag(ITEM, u"BOTHSRCALPHA", f, caps::BLEND_BOTHSRCALPHA);
}

void reportCaps(Report& r, const gpu::Caps& c) {
    r.heading(SECTION, u"DeviceType");
    const bool hal = c.deviceType == gpu::DeviceType::Hal;
    r.required(ITEM, u"D3DDEVTYPE_HAL", hal, hal);
    r.heading(SECTION, u"Caps");
    r.required(ITEM, u"D3DCAPS_READ_SCANLINE", c.caps, caps::READ_SCANLINE);
    r.heading(SECTION, u"Caps2");
    r.flag(ITEM, u"CANAUTOGENMIPMAP", c.caps2, caps::CANAUTOGENMIPMAP);
    r.flag(ITEM, u"CANCALIBRATEGAMMA", c.caps2, caps::CANCALIBRATEGAMMA);
    r.flag(ITEM, u"CANMANAGERESOURCE", c.caps2, caps::CANMANAGERESOURCE);
    r.flag(ITEM, u"DYNAMICTEXTURES", c.caps2, caps::DYNAMICTEXTURES);
    r.flag(ITEM, u"FULLSCREENGAMMA", c.caps2, caps::FULLSCREENGAMMA);
    r.heading(SECTION, u"Caps3");
    r.flag(ITEM, u"ALPHA_FULLSCREEN_FLIP_OR_DISCARD", c.caps3,
           caps::ALPHA_FULLSCREEN_FLIP_OR_DISCARD);
    r.flag(ITEM, u"COPY_TO_VIDMEM", c.caps3, caps::COPY_TO_VIDMEM);
    r.flag(ITEM, u"COPY_TO_SYSTEMMEM", c.caps3, caps::COPY_TO_SYSTEMMEM);
    r.flag(ITEM, u"LINEAR_TO_SRGB_PRESENTATION", c.caps3, caps::LINEAR_TO_SRGB_PRESENTATION);
    r.heading(SECTION, u"PresentationIntervals");
    r.flag(ITEM, u"IMMEDIATE", c.presentationIntervals, gpu::present::INTERVAL_IMMEDIATE);
    r.required(ITEM, u"ONE", c.presentationIntervals, gpu::present::INTERVAL_ONE);
    r.flag(ITEM, u"TWO", c.presentationIntervals, gpu::present::INTERVAL_TWO);
    r.flag(ITEM, u"THREE", c.presentationIntervals, gpu::present::INTERVAL_THREE);
    r.heading(SECTION, u"CursorCaps");
    r.flag(ITEM, u"COLOR", c.cursorCaps, caps::CURSOR_COLOR);
    r.flag(ITEM, u"LOWERS", c.cursorCaps, caps::CURSOR_LOWRES);

    r.heading(SECTION, u"DevCaps");
    r.heading(ITEM, u"Hardware supports");
    r.flag(SUBITEM, u"CANRENDERAFTERFLIP", c.devCaps, caps::CANRENDERAFTERFLIP);
    r.flag(SUBITEM, u"DRAWPRIMITIVES2", c.devCaps, caps::DRAWPRIMITIVES2);
    r.flag(SUBITEM, u"DRAWPRIMITIVES2EX", c.devCaps, caps::DRAWPRIMITIVES2EX);
    r.required(SUBITEM, u"DRAWPRIMTLVERTEX", c.devCaps, caps::DRAWPRIMTLVERTEX);
    r.required(SUBITEM, u"EXECUTESYSTEMMEMORY", c.devCaps, caps::EXECUTESYSTEMMEMORY);
    r.flag(SUBITEM, u"EXECUTEVIDEOMEMORY", c.devCaps, caps::EXECUTEVIDEOMEMORY);
    r.required(SUBITEM, u"HWRASTERIZATION", c.devCaps, caps::HWRASTERIZATION);
    r.flag(SUBITEM, u"D3DDEVCAPS_HWTRANSFORMANDLIGHT", c.devCaps, caps::HWTRANSFORMANDLIGHT);
    r.flag(SUBITEM, u"PUREDEVICE", c.devCaps, caps::PUREDEVICE);
    r.flag(SUBITEM, u"NPATCHES", c.devCaps, caps::NPATCHES);
    r.flag(SUBITEM, u"QUINTICRTPATCHES", c.devCaps, caps::QUINTICRTPATCHES);
    r.flag(SUBITEM, u"RTPATCHES", c.devCaps, caps::RTPATCHES);
    r.flag(SUBITEM, u"RTPATCHHANDLEZERO", c.devCaps, caps::RTPATCHHANDLEZERO);
    r.heading(ITEM, u"Memory");
    r.flag(SUBITEM, u"SEPARATETEXTUREMEMORIES", c.devCaps, caps::SEPARATETEXTUREMEMORIES);
    r.flag(SUBITEM, u"CANBLTSYSTONONLOCAL", c.devCaps, caps::CANBLTSYSTONONLOCAL);
    r.flag(SUBITEM, u"TEXTURENONLOCALVIDMEM", c.devCaps, caps::TEXTURENONLOCALVIDMEM);
    r.flag(SUBITEM, u"TEXTURESYSTEMMEMORY", c.devCaps, caps::TEXTURESYSTEMMEMORY);
    r.flag(SUBITEM, u"TEXTUREVIDEOMEMORY", c.devCaps, caps::TEXTUREVIDEOMEMORY);
    r.flag(SUBITEM, u"TLVERTEXSYSTEMMEMORY", c.devCaps, caps::TLVERTEXSYSTEMMEMORY);
    r.flag(SUBITEM, u"TLVERTEXVIDEOMEMORY", c.devCaps, caps::TLVERTEXVIDEOMEMORY);

    const uint32_t pm = c.primitiveMiscCaps;
    r.heading(SECTION, u"PrimitiveMiscCaps");
    r.required(ITEM, u"MASKZ", pm, caps::MASKZ);
    // A device that cannot draw without culling cannot draw the game's sprites.
    r.required(ITEM, u"CULLNONE", pm, caps::CULLNONE);
    r.required(ITEM, u"CULLCW", pm, caps::CULLCW);
    r.required(ITEM, u"CULLCCW", pm, caps::CULLCCW);
    r.required(ITEM, u"COLORWRITEENABLE", pm, caps::COLORWRITEENABLE);
    r.heading(ITEM, u"Clipping");
    r.flag(SUBITEM, u"CLIPPLANESCALEDPOINTS", pm, caps::CLIPPLANESCALEDPOINTS);
    r.hex(SUBITEM, u"MaxUserClipPlanes", c.maxUserClipPlanes);
    r.flag(SUBITEM, u"CLIPTLVERTS", pm, caps::CLIPTLVERTS);
    r.real(SUBITEM, u"GuardBandLeft", c.guardBandLeft);
    r.real(SUBITEM, u"GuardBandRight", c.guardBandRight);
    r.real(SUBITEM, u"GuardBandBottom", c.guardBandBottom);
    r.real(SUBITEM, u"GuardBandTop", c.guardBandTop);
    r.flag(ITEM, u"TSSARGTEMP", pm, caps::TSSARGTEMP);
    r.required(ITEM, u"BLENDOP", pm, caps::BLENDOP);
    r.flag(ITEM, u"NULLREFERENCE", pm, caps::NULLREFERENCE);
    r.flag(ITEM, u"INDEPENDENTWRITEMASKS", pm, caps::INDEPENDENTWRITEMASKS);
    r.flag(ITEM, u"PERSTAGECONSTANT", pm, caps::PERSTAGECONSTANT);
    r.flag(ITEM, u"SEPARATEALPHABLEND", pm, caps::SEPARATEALPHABLEND);
    r.heading(ITEM, u"Multipul render targets");
    r.flag(SUBITEM, u"MRTINDEPENDENTBITDEPTHS", pm, caps::MRTINDEPENDENTBITDEPTHS);
    r.flag(SUBITEM, u"MRTPOSTPIXELSHADERBLENDING", pm, caps::MRTPOSTPIXELSHADERBLENDING);
    r.minimum(SUBITEM, u"NumSimultaneousRTs", 1u, c.numSimultaneousRTs);
    r.required(ITEM, u"FOGANDSPECULARALPHA", pm, caps::FOGANDSPECULARALPHA);
    r.flag(ITEM, u"FOGVERTEXCLAMPED", pm, caps::FOGVERTEXCLAMPED);

    const uint32_t rc = c.rasterCaps;
    r.heading(SECTION, u"RasterCaps");
    r.flag(ITEM, u"ANISOTROPY", rc, caps::ANISOTROPY);
    r.required(ITEM, u"COLORPERSPECTIVE", rc, caps::COLORPERSPECTIVE);
    r.flag(ITEM, u"DITHER", rc, caps::DITHER);
    r.flag(ITEM, u"MIPMAPLODBIAS", rc, caps::MIPMAPLODBIAS);
    r.flag(ITEM, u"MULTISAMPLE_TOGGLE", rc, caps::MULTISAMPLE_TOGGLE);
    r.flag(ITEM, u"SCISSORTEST", rc, caps::SCISSORTEST);
    r.flag(ITEM, u"ZBUFFERLESSHSR", rc, caps::ZBUFFERLESSHSR);
    r.heading(ITEM, u"Depth Bias");
    r.required(SUBITEM, u"DEPTHBIAS", rc, caps::DEPTHBIAS);
    r.required(SUBITEM, u"SLOPESCALEDEPTHBIAS", rc, caps::SLOPESCALEDEPTHBIAS);
    r.heading(ITEM, u"Depth Buffer");
    r.flag(SUBITEM, u"WBUFFER", rc, caps::WBUFFER);
    r.real(SUBITEM, u"MaxVertexW", c.maxVertexW);
    r.flag(SUBITEM, u"ZTEST", rc, caps::ZTEST);
    r.heading(ITEM, u"Fog");
    r.flag(SUBITEM, u"FOGRANGE", rc, caps::FOGRANGE);
    r.flag(SUBITEM, u"FOGTABLE", rc, caps::FOGTABLE);
    r.flag(SUBITEM, u"FOGVERTEX", rc, caps::FOGVERTEX);
    r.flag(SUBITEM, u"ZFOG", rc, caps::ZFOG);
    r.flag(SUBITEM, u"WFOG", rc, caps::WFOG);

    reportCompare(r, u"ZCmpCaps", c.zCmpCaps);
    reportCompare(r, u"AlphaCmpCaps", c.alphaCmpCaps);
    reportBlend(r, u"SrcBlendCaps", c.srcBlendCaps, true);
    reportBlend(r, u"DestBlendCaps", c.destBlendCaps, false);

    r.heading(SECTION, u"ShadeCaps");
    r.required(ITEM, u"ALPHAGOURAUDBLEND", c.shadeCaps, caps::ALPHAGOURAUDBLEND);
    r.required(ITEM, u"FOGGOURAUD", c.shadeCaps, caps::FOGGOURAUD);
    r.required(ITEM, u"COLORGOURAUDRGB", c.shadeCaps, caps::COLORGOURAUDRGB);
    r.required(ITEM, u"SPECULARGOURAUDRGB", c.shadeCaps, caps::SPECULARGOURAUDRGB);

    const uint32_t tc = c.textureCaps;
    r.heading(SECTION, u"TextureCaps");
    r.minimum(ITEM, u"MaxTextureWidth", 0x800u, c.maxTextureWidth);
    r.minimum(ITEM, u"MaxTextureHeight", 0x800u, c.maxTextureHeight);
    r.hex(ITEM, u"MaxTextureRepeat", c.maxTextureRepeat);
    r.hex(ITEM, u"MaxTextureAspectRatio", c.maxTextureAspectRatio);
    r.hex(ITEM, u"MaxAnisotropy", c.maxAnisotropy);
    r.required(ITEM, u"ALPHA", tc, caps::TEX_ALPHA);
    r.flag(ITEM, u"ALPHAPALETTE", tc, caps::TEX_ALPHAPALETTE);
    r.flag(ITEM, u"NOPROJECTEDBUMPENV", tc, caps::TEX_NOPROJECTEDBUMPENV);
    r.required(ITEM, u"PERSPECTIVE", tc, caps::TEX_PERSPECTIVE);
    r.required(ITEM, u"PROJECTED", tc, caps::TEX_PROJECTED);
    // Texture coordinates address the whole texture, not its texels.
    r.required(ITEM, u"TEXREPEATNOTSCALEDBYSIZE", tc, caps::TEX_REPEATNOTSCALEDBYSIZE);
    r.required(ITEM, u"Mipmap", tc, caps::TEX_MIPMAP);
    r.heading(ITEM, u"Texture Size");
    // The game's textures are not square: a device limited to square ones fails.
    const bool squareOnly = (tc & caps::TEX_SQUAREONLY) != 0;
    r.required(SUBITEM, u"SQUAREONLY", squareOnly, !squareOnly);
    r.flag(SUBITEM, u"POW2", tc, caps::TEX_POW2);
    r.flag(SUBITEM, u"NONPOW2CONDITIONAL", tc, caps::TEX_NONPOW2CONDITIONAL);
    r.required(ITEM, u"CUBEMAP", tc, caps::TEX_CUBEMAP);
    r.flag(ITEM, u"CUBEMAP_POW2", tc, caps::TEX_CUBEMAP_POW2);
    r.required(ITEM, u"MIPCUBEMAP", tc, caps::TEX_MIPCUBEMAP);
    r.required(ITEM, u"VOLUMEMAP", tc, caps::TEX_VOLUMEMAP);
    r.minimum(ITEM, u"MaxVolumeExtent", 0x100u, c.maxVolumeExtent);
    r.flag(ITEM, u"VOLUMEMAP_POW2", tc, caps::TEX_VOLUMEMAP_POW2);
    r.required(ITEM, u"MIPVOLUMEMAP", tc, caps::TEX_MIPVOLUMEMAP);

    reportFilters(r, u"TextureFilteCaps", c.textureFilterCaps, true, true);
    reportFilters(r, u"CubeTextureFilterCaps", c.cubeTextureFilterCaps, true, true);
    reportFilters(r, u"VolumeTextureFilterCaps", c.volumeTextureFilterCaps, false, true);
    reportAddress(r, u"TextureAddressCaps", u"INDEPENDENTUVuv", c.textureAddressCaps);
    reportAddress(r, u"VolumeTextureAddressCaps", u"INDEPENDENTUV", c.volumeTextureAddressCaps);

    const uint32_t to = c.textureOpCaps;
    r.heading(SECTION, u"TextureOpCaps");
    r.hex(ITEM, u"MaxTextureBlendStages", c.maxTextureBlendStages);
    r.hex(ITEM, u"MaxSimultaneousTextures", c.maxSimultaneousTextures);
    const struct {
        const char16_t* name;
        uint32_t bit;
    } ops[] = {{u"ADD", caps::TOP_ADD},
               {u"ADDSIGNED", caps::TOP_ADDSIGNED},
               {u"ADDSIGNED2X", caps::TOP_ADDSIGNED2X},
               {u"ADDSMOOTH", caps::TOP_ADDSMOOTH},
               {u"BLENDCURRENTALPHA", caps::TOP_BLENDCURRENTALPHA},
               {u"BLENDDIFFUSEALPHA", caps::TOP_BLENDDIFFUSEALPHA},
               {u"BLENDFACTORALPHA", caps::TOP_BLENDFACTORALPHA},
               {u"BLENDTEXTUREALPHA", caps::TOP_BLENDTEXTUREALPHA},
               {u"BLENDTEXTUREALPHAPM", caps::TOP_BLENDTEXTUREALPHAPM},
               {u"BUMPENVMAP", caps::TOP_BUMPENVMAP},
               {u"BUMPENVMAPLUMINANCE", caps::TOP_BUMPENVMAPLUMINANCE},
               {u"DISABLE", caps::TOP_DISABLE},
               {u"DOTPRODUCT3", caps::TOP_DOTPRODUCT3},
               {u"LERP", caps::TOP_LERP},
               {u"MODULATE", caps::TOP_MODULATE},
               {u"MODULATE2X", caps::TOP_MODULATE2X},
               {u"MODULATE4X", caps::TOP_MODULATE4X},
               {u"MODULATEALPHA_ADDCOLOR", caps::TOP_MODULATEALPHA_ADDCOLOR},
               {u"MODULATECOLOR_ADDALPHA", caps::TOP_MODULATECOLOR_ADDALPHA},
               {u"MODULATEINVALPHA_ADDCOLOR", caps::TOP_MODULATEINVALPHA_ADDCOLOR},
               {u"MODULATEINVCOLOR_ADDALPHA", caps::TOP_MODULATEINVCOLOR_ADDALPHA},
               {u"MULTIPLYADD", caps::TOP_MULTIPLYADD},
               {u"PREMODULATE", caps::TOP_PREMODULATE},
               {u"SELECTARG1", caps::TOP_SELECTARG1},
               {u"SELECTARG2", caps::TOP_SELECTARG2},
               {u"SUBTRACT", caps::TOP_SUBTRACT}};
    for (const auto& op : ops) {
        r.flag(ITEM, op.name, to, op.bit);
    }

    const uint32_t lc = c.lineCaps;
    r.heading(SECTION, u"LineCaps");
    r.required(ITEM, u"ALPHACMP", lc, caps::LINE_ALPHACMP);
    r.flag(ITEM, u"ANTIALIAS", lc, caps::LINE_ANTIALIAS);
    r.required(ITEM, u"BLEND", lc, caps::LINE_BLEND);
    r.flag(ITEM, u"FOG", lc, caps::LINE_FOG);
    r.required(ITEM, u"TEXTURE", lc, caps::LINE_TEXTURE);
    r.required(ITEM, u"ZTEST", lc, caps::LINE_ZTEST);
    r.real(ITEM, u"ExtentsAdjust", c.extentsAdjust);

    const uint32_t sc = c.stencilCaps;
    r.heading(SECTION, u"StencilCaps");
    r.required(ITEM, u"KEEP", sc, caps::STENCIL_KEEP);
    r.required(ITEM, u"ZERO", sc, caps::STENCIL_ZERO);
    r.required(ITEM, u"REPLACE", sc, caps::STENCIL_REPLACE);
    r.required(ITEM, u"INCRSAT", sc, caps::STENCIL_INCRSAT);
    r.required(ITEM, u"DECRSAT", sc, caps::STENCIL_DECRSAT);
    r.required(ITEM, u"INVERT", sc, caps::STENCIL_INVERT);
    r.required(ITEM, u"INCR", sc, caps::STENCIL_INCR);
    r.required(ITEM, u"DECR", sc, caps::STENCIL_DECR);
    r.flag(ITEM, u"TWOSIDED", sc, caps::STENCIL_TWOSIDED);

    r.heading(SECTION, u"FVFCaps");
    r.flag(ITEM, u"DONOTSTRIPELEMENTS", c.fvfCaps, caps::FVF_DONOTSTRIPELEMENTS);
    r.flag(ITEM, u"PSIZE", c.fvfCaps, caps::FVF_PSIZE);
    r.hex(ITEM, u"TEXCOORDCOUNTMASK", c.fvfCaps & caps::FVF_TEXCOORDCOUNTMASK);

    const uint32_t vp = c.vertexProcessingCaps;
    r.heading(SECTION, u"VertexProcessingCaps");
    r.flag(ITEM, u"LOCALVIEWER", vp, caps::VTX_LOCALVIEWER);
    r.flag(ITEM, u"MATERIALSOURCE7", vp, caps::VTX_MATERIALSOURCE7);
    r.flag(ITEM, u"NO_TEXGEN_NONLOCALVIEWER", vp, caps::VTX_NO_TEXGEN_NONLOCALVIEWER);
    r.flag(ITEM, u"TEXGEN", vp, caps::VTX_TEXGEN);
    r.flag(ITEM, u"TEXGEN_SPHEREMAP", vp, caps::VTX_TEXGEN_SPHEREMAP);
    r.flag(ITEM, u"TWEENING", vp, caps::VTX_TWEENING);
    r.hex(ITEM, u"MaxVertexBlendMatrices", c.maxVertexBlendMatrices);
    r.hex(ITEM, u"MaxVertexBlendMatrixIndex+1", c.maxVertexBlendMatrixIndex + 1);
    r.minimum(ITEM, u"MaxPrimitiveCount", 0xFFDAu, c.maxPrimitiveCount);
    r.minimum(ITEM, u"MaxVertexIndex", 0xFFDCu, c.maxVertexIndex);
    r.hex(ITEM, u"MaxStreams", c.maxStreams);
    r.hex(ITEM, u"MaxStreamStride", c.maxStreamStride);

    const uint32_t dt = c.declTypes;
    r.heading(SECTION, u"DeclTypes");
    r.flag(ITEM, u"UBYTE4", dt, caps::DT_UBYTE4);
    r.flag(ITEM, u"UBYTE4[0.0, 1.0]", dt, caps::DT_UBYTE4N);
    r.flag(ITEM, u"SHORT2[-1.0, 1.0]", dt, caps::DT_SHORT2N);
    r.flag(ITEM, u"SHORT4[-1.0, 1.0]", dt, caps::DT_SHORT4N);
    r.flag(ITEM, u"USHORT2[0.0, 1.0]", dt, caps::DT_USHORT2N);
    r.flag(ITEM, u"USHORT4[0.0, 1.0]", dt, caps::DT_USHORT4N);
    r.flag(ITEM, u"UDEC3[0.0, 1023.0](10:10:10)", dt, caps::DT_UDEC3);
    r.flag(ITEM, u"DEC3N[-1.0, 1.0](10:10:10)", dt, caps::DT_DEC3N);
    r.flag(ITEM, u"FLOAT16_2", dt, caps::DT_FLOAT16_2);
    r.flag(ITEM, u"FLOAT16_4", dt, caps::DT_FLOAT16_4);

    r.heading(SECTION, u"VertexProcessingCaps");
    r.flag(ITEM, u"DIRECTIONALLIGHTS", vp, caps::VTX_DIRECTIONALLIGHTS);
    r.flag(ITEM, u"POSITIONALLIGHTS(includes point, spot)", vp, caps::VTX_POSITIONALLIGHTS);
    r.hex(ITEM, u"MaxActiveLights", c.maxActiveLights);
    r.real(SECTION, u"MaxPointSize", c.maxPointSize);

    r.heading(SECTION, u"Shader");
    r.minimum(ITEM, u"VertexShaderVersion", 0x200u, c.vertexShaderVersion & 0xFFFFu);
    r.minimum(ITEM, u"MaxVertexShaderConst", 0x100u, c.maxVertexShaderConst);
    r.hex(ITEM, u"MaxVShaderInstructionsExecuted", c.maxVShaderInstructionsExecuted);
    r.hex(ITEM, u"MaxVertexShader30InstructionSlots", c.maxVertexShader30InstructionSlots);
    r.heading(ITEM, u"VertexTextureFilterCaps");
    const uint32_t vt = c.vertexTextureFilterCaps;
    r.flag(SUBITEM, u"MAGFPOINT", vt, caps::MAGFPOINT);
    r.flag(SUBITEM, u"MINFPOINT", vt, caps::MINFPOINT);
    r.flag(SUBITEM, u"MAGFLINEAR", vt, caps::MAGFLINEAR);
    r.flag(SUBITEM, u"MINFLINEAR", vt, caps::MINFLINEAR);
    r.flag(SUBITEM, u"MAGFANISOTROPIC", vt, caps::MAGFANISOTROPIC);
    r.flag(SUBITEM, u"MINFANISOTROPIC", vt, caps::MINFANISOTROPIC);
    r.flag(SUBITEM, u"MAGFPYRAMIDALQUAD", vt, caps::MAGFPYRAMIDALQUAD);
    r.flag(SUBITEM, u"MINFPYRAMIDALQUAD", vt, caps::MINFPYRAMIDALQUAD);
    r.flag(SUBITEM, u"MAGFGAUSSIANQUAD", vt, caps::MAGFGAUSSIANQUAD);
    r.flag(SUBITEM, u"MINFGAUSSIANQUAD", vt, caps::MINFGAUSSIANQUAD);
    r.heading(ITEM, u"VS20Caps");
    r.hex(SUBITEM, u"Caps", c.vs20Caps.caps);
    r.hex(SUBITEM, u"NumTemps", static_cast<uint32_t>(c.vs20Caps.numTemps));
    r.hex(SUBITEM, u"DynamicFlowControlDepth",
          static_cast<uint32_t>(c.vs20Caps.dynamicFlowControlDepth));
    r.hex(SUBITEM, u"StaticFlowControlDepth",
          static_cast<uint32_t>(c.vs20Caps.staticFlowControlDepth));
    r.minimum(ITEM, u"PixelShaderVersion", 0x200u, c.pixelShaderVersion & 0xFFFFu);
    r.minimum(ITEM, u"PixelShader1xMaxValue", 1.0f, c.pixelShader1xMaxValue);
    r.hex(ITEM, u"MaxPShaderInstructionsExecuted", c.maxPShaderInstructionsExecuted);
    r.hex(ITEM, u"MaxPixelShader30InstructionSlots", c.maxPixelShader30InstructionSlots);
    r.heading(ITEM, u"PS20Caps");
    r.hex(SUBITEM, u"Caps", c.ps20Caps.caps);
    r.hex(SUBITEM, u"NumTemps", static_cast<uint32_t>(c.ps20Caps.numTemps));
    r.hex(SUBITEM, u"DynamicFlowControlDepth",
          static_cast<uint32_t>(c.ps20Caps.dynamicFlowControlDepth));
    r.hex(SUBITEM, u"StaticFlowControlDepth",
          static_cast<uint32_t>(c.ps20Caps.staticFlowControlDepth));
    r.hex(SUBITEM, u"NumInstructionSlots", static_cast<uint32_t>(c.ps20Caps.numInstructionSlots));

    const uint32_t d2 = c.devCaps2;
    r.heading(SECTION, u"Tesselator/N-Patch");
    r.flag(ITEM, u"ADAPTIVETESSRTPATCH", d2, caps::ADAPTIVETESSRTPATCH);
    r.flag(ITEM, u"ADAPTIVETESSNPATCH", d2, caps::ADAPTIVETESSNPATCH);
    r.flag(ITEM, u"CAN_STRETCHRECT_FROM_TEXTURES", d2, caps::CAN_STRETCHRECT_FROM_TEXTURES);
    r.flag(ITEM, u"DMAPNPATCH", d2, caps::DMAPNPATCH);
    r.flag(ITEM, u"PRESAMPLEDDMAPNPATCH", d2, caps::PRESAMPLEDDMAPNPATCH);
    r.flag(ITEM, u"STREAMOFFSET", d2, caps::STREAMOFFSET);
    r.flag(ITEM, u"VERTEXELEMENTSCANSHARESTREAMOFFSET", d2,
           caps::VERTEXELEMENTSCANSHARESTREAMOFFSET);
    r.hex(ITEM, u"MasterAdapterOrdinal", c.masterAdapterOrdinal);
    r.hex(ITEM, u"AdapterOrdinalInGroup", c.adapterOrdinalInGroup);
    r.hex(ITEM, u"NumberOfAdaptersInGroup", c.numberOfAdaptersInGroup);

    const uint32_t sr = c.stretchRectFilterCaps;
    r.heading(SECTION, u"StretchRectFilterCaps(IDirect3DDevice9::StretchRect())");
    r.flag(ITEM, u"MAGFPOINT", sr, caps::MAGFPOINT);
    r.required(ITEM, u"MINFPOINT", sr, caps::MINFPOINT);
    r.flag(ITEM, u"MAGFLINEAR", sr, caps::MAGFLINEAR);
    r.flag(ITEM, u"MINFLINEAR", sr, caps::MINFLINEAR);
}

} // namespace

uint32_t ZqGlSystem::reportDeviceCaps(const char16_t* const path) {
    // 1. Without a started device the report brings its own adapter object.
    std::shared_ptr<gpu::System> system = m_pD3d != nullptr ? m_pD3d : gpu::createSystem();

    // 2.-4.
    Report report;
    if (system != nullptr) {
        reportAdapters(report, *system, m_vendorId);
    } else {
        report.hex(u"", u"AdapterCount", 0);
    }
    report.heading(u"", DEVICE_ROW_TEXT[m_devBehavior < 2 ? m_devBehavior : 0]);
    reportCaps(report, m_d3dCaps);

    // 5.
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
