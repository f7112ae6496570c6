// ZqGlSystem started by the framework on a real OpenGL context (SDL offscreen): the frame,
// the size rule and the reserved change, lost devices and every failure code, the stretched
// picture, the capability report and the adapter queries.
#include "tests/support/GoldenImage.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "zq/platform/gpu/gpu_caps.h"
#include "zq/platform/gpu/gpu_test.h"
#include "zq/system/ZqError.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace gpu = zqp::gpu;
using zqtest::Image;
using zqtest::runFrameworkCode;
using zqtest::ScriptTask;

namespace {

class ZqGlSystemTest : public testing::Test {
protected:
    void SetUp() override { gpu::test::clearAll(); }
    void TearDown() override { gpu::test::clearAll(); }
};

// The back buffer the device renders into now.
gpu::SurfaceDesc backBufferDesc() {
    std::shared_ptr<gpu::Surface> bb;
    gpu::SurfaceDesc desc;
    if (ZqGlSystem::getD3dDevice()->getBackBuffer(0, bb) == gpu::Result::Ok) {
        bb->getDesc(desc);
    }
    return desc;
}

std::shared_ptr<gpu::Surface> backBuffer() {
    std::shared_ptr<gpu::Surface> bb;
    ZqGlSystem::getD3dDevice()->getBackBuffer(0, bb);
    return bb;
}

Image windowPicture() {
    return zqtest::readFrontBuffer(*ZqGlSystem::getD3dDevice(), ZqSystem::getClientWidth(),
                                   ZqSystem::getClientHeight());
}

TEST_F(ZqGlSystemTest, FrameClearsDrawsAndPresentsOnTheWindow) {
    ScriptTask root;
    Image picture;
    root.onDraw = [] { ZqGlSystem::clear(gpu::clear::TARGET, 0xFF3366CCu, 1.0f, 0); };
    root.onFrame = [&](const uint32_t frame) {
        if (frame == 0) {
            EXPECT_EQ(ZqGlSystem::getWidth(), 1024.0f);
            EXPECT_EQ(ZqGlSystem::getRenderTargetHeight(), 768.0f);
            EXPECT_EQ(ZqGlSystem::getRenderTargetWidthHalfReciprocal(), 1.0f / 512.0f);
        }
        if (frame == 2) {
            picture = windowPicture();
            return false;
        }
        return true;
    };
    ASSERT_EQ(runFrameworkCode(root), 0u);
    EXPECT_TRUE(zqtest::imagesMatch(picture, Image(1024, 768, 0xFF3366CCu), "zqgl_frame", 0));
}

TEST_F(ZqGlSystemTest, SizeRuleAndAntiAliasingDecideWhatSetGameSizeTakes) {
    ScriptTask root;
    root.onFrame = [](uint32_t) {
        const struct {
            float w, h;
            bool fullScreen;
            bool taken;
        } cases[] = {
            {150, 150, false, true},   {2048, 2048, false, true}, {149, 768, false, false},
            {1024, 149, false, false}, {2049, 768, false, false}, {1024, 2049, false, false},
            {1024, 768, true, true},   {1000, 700, true, false},  {800, 600.5f, false, true},
        };
        for (const auto& c : cases) {
            EXPECT_EQ(ZqGlSystem::setGameSize(c.w, c.h, c.fullScreen, ZqGlSystem::FSAA_NONE),
                      c.taken)
                << c.w << "x" << c.h << (c.fullScreen ? " full screen" : " windowed");
        }
        // Values whose bit is clear are refused; the list names the others.
        const uint32_t n = ZqGlSystem::getNrFsaaValues(false);
        EXPECT_GE(n, 1u);
        EXPECT_EQ(ZqGlSystem::getFsaaValue(0, false), ZqGlSystem::FSAA_NONE);
        EXPECT_EQ(ZqGlSystem::getFsaaValue(n, false), ZqGlSystem::FSAA_NONE);
        uint32_t listed = 0;
        for (uint32_t v = 0; v < ZqGlSystem::NR_FSAA; ++v) {
            const auto fsaa = static_cast<ZqGlSystem::FSAA>(v);
            const bool taken = ZqGlSystem::setGameSize(1024, 768, false, fsaa);
            listed += taken ? 1 : 0;
            if (taken) {
                EXPECT_EQ(ZqGlSystem::getFsaaValue(listed - 1, false), fsaa);
            }
        }
        EXPECT_EQ(listed, n);
        EXPECT_LT(n, ZqGlSystem::NR_FSAA); // 16 samples is more than this machine has
        ZqGlSystem::setGameSize(1024, 768, false, ZqGlSystem::FSAA_NONE);
        return false;
    };
    ASSERT_EQ(runFrameworkCode(root), 0u);
}

TEST_F(ZqGlSystemTest, OnlyTheLastSizeOfAFrameTakesEffectAtTheNextFrame) {
    ScriptTask root;
    root.onFrame = [](const uint32_t frame) {
        if (frame == 1) {
            EXPECT_TRUE(ZqGlSystem::setGameSize(800, 600, false, ZqGlSystem::FSAA_NONE));
            EXPECT_TRUE(ZqGlSystem::setGameSize(640, 480, false, ZqGlSystem::FSAA_NONE));
            EXPECT_EQ(ZqGlSystem::getWidth(), 1024.0f);
            EXPECT_FALSE(ZqGlSystem::setGameSize(100, 480, false, ZqGlSystem::FSAA_NONE));
        }
        if (frame == 2) {
            EXPECT_EQ(ZqGlSystem::getWidth(), 640.0f);
            EXPECT_EQ(ZqGlSystem::getHeight(), 480.0f);
            EXPECT_EQ(ZqGlSystem::getRenderTargetWidth(), 640.0f);
            const gpu::SurfaceDesc desc = backBufferDesc();
            EXPECT_EQ(desc.width, 640u);
            EXPECT_EQ(desc.height, 480u);
            EXPECT_EQ(ZqSystem::getClientWidth(), 640);
            return false;
        }
        return true;
    };
    ASSERT_EQ(runFrameworkCode(root), 0u);
}

TEST_F(ZqGlSystemTest, FullScreenAndBackRestoresTheWindowPosition) {
    ScriptTask root;
    zqp::Rect before;
    root.onFrame = [&](const uint32_t frame) {
        if (frame == 0) {
            zqp::getWindowRect(ZqSystem::getWindowHandle(), before);
            float w = 0.0f;
            float h = 0.0f;
            ZqGlSystem::getNrFullScreenResolutions();
            EXPECT_TRUE(ZqGlSystem::getFullScreenResolution(0, &w, &h, nullptr));
            EXPECT_TRUE(ZqGlSystem::setGameSize(w, h, true, ZqGlSystem::FSAA_NONE));
        }
        if (frame == 1) {
            EXPECT_TRUE(ZqGlSystem::isFullScreen());
            EXPECT_TRUE(ZqGlSystem::setGameSize(1024, 768, false, ZqGlSystem::FSAA_NONE));
        }
        if (frame == 2) {
            EXPECT_FALSE(ZqGlSystem::isFullScreen());
            zqp::Rect after;
            zqp::getWindowRect(ZqSystem::getWindowHandle(), after);
            EXPECT_EQ(after.left, before.left);
            EXPECT_EQ(after.top, before.top);
            EXPECT_EQ(backBufferDesc().width, 1024u);
            return false;
        }
        return true;
    };
    ASSERT_EQ(runFrameworkCode(root), 0u);
}

TEST_F(ZqGlSystemTest, AntiAliasedGameSizeGivesAMultisampledBackBuffer) {
    ScriptTask root;
    ZqGlSystem::FSAA chosen = ZqGlSystem::FSAA_NONE;
    root.onDraw = [] { ZqGlSystem::clear(gpu::clear::TARGET, 0xFF00FF00u, 1.0f, 0); };
    Image picture;
    root.onFrame = [&](const uint32_t frame) {
        if (frame == 0) {
            if (ZqGlSystem::getNrFsaaValues(false) < 2) {
                return false;
            }
            chosen = ZqGlSystem::getFsaaValue(1, false);
            EXPECT_TRUE(ZqGlSystem::setGameSize(1024, 768, false, chosen));
        }
        if (frame == 3) {
            EXPECT_EQ(static_cast<uint32_t>(backBufferDesc().multiSampleType), chosen + 1u);
            EXPECT_EQ(ZqGlSystem::getFsaa(), chosen);
            picture = windowPicture();
            return false;
        }
        return true;
    };
    ASSERT_EQ(runFrameworkCode(root), 0u);
    if (chosen != ZqGlSystem::FSAA_NONE) {
        EXPECT_TRUE(zqtest::imagesMatch(picture, Image(1024, 768, 0xFF00FF00u), "zqgl_fsaa", 0));
    }
}

TEST_F(ZqGlSystemTest, LostDeviceIsRetriedUntilItCanBeReset) {
    const struct {
        const char* name;
        uint32_t lostFrames;     // presents that report the device lost
        gpu::Result cooperative; // what the first test of the device says
        uint32_t stillLost;      // how many tests say lost
        uint32_t resetFrame;     // the frame whose present led to the reset
    } cases[] = {
        {"not reset at once", 1, gpu::Result::DeviceNotReset, 0, 0},
        {"lost for two frames", 3, gpu::Result::DeviceLost, 2, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        gpu::test::clearAll();
        ScriptTask root;
        // A reset makes a new back buffer and lets the old one go: frame n + 1 finds the back
        // buffer of frame n gone when frame n's present led to a reset.
        std::weak_ptr<gpu::Surface> previous;
        std::vector<bool> resetBefore;
        root.onFrame = [&](const uint32_t frame) {
            if (frame > 0) {
                resetBefore.push_back(previous.expired());
            }
            previous = backBuffer();
            if (frame == 0) {
                gpu::test::failNext(gpu::test::Call::Present, gpu::Result::DeviceLost,
                                    c.lostFrames);
                gpu::test::failNext(gpu::test::Call::TestCooperativeLevel,
                                    c.stillLost > 0 ? gpu::Result::DeviceLost : c.cooperative,
                                    c.stillLost > 0 ? c.stillLost : 1);
            }
            return frame < c.lostFrames + 2;
        };
        ASSERT_EQ(runFrameworkCode(root), 0u);
        ASSERT_EQ(resetBefore.size(), c.lostFrames + 2);
        for (uint32_t f = 0; f < resetBefore.size(); ++f) {
            EXPECT_EQ(resetBefore[f], f == c.resetFrame) << "frame " << f;
        }
    }
}

TEST_F(ZqGlSystemTest, ResetFailuresThrowTheirCodes) {
    const struct {
        gpu::Result result;
        unsigned code;
    } cases[] = {{gpu::Result::DeviceLost, 1027},   {gpu::Result::InvalidCall, 1028},
                 {gpu::Result::NotAvailable, 1029}, {gpu::Result::OutOfVideoMemory, 1030},
                 {gpu::Result::OutOfMemory, 1031},  {gpu::Result::Failed, 1032}};
    for (const auto& c : cases) {
        gpu::test::clearAll();
        ScriptTask root;
        root.onFrame = [&](const uint32_t frame) {
            if (frame == 0) {
                gpu::test::failNext(gpu::test::Call::Present, gpu::Result::DeviceLost);
                gpu::test::failNext(gpu::test::Call::Reset, c.result);
            }
            return frame < 5;
        };
        EXPECT_EQ(runFrameworkCode(root), c.code);
    }
}

// A size change that a test made to go wrong at start-up.
struct StartFailure {
    gpu::test::Call call;
    gpu::Result result;
    uint32_t times;
    uint32_t after;
    bool stretched; // the vendor that gets a back buffer of the window's size
    unsigned code;
};

TEST_F(ZqGlSystemTest, StartUpFailuresThrowTheirCodes) {
    using C = gpu::test::Call;
    const gpu::Result no = gpu::Result::NotAvailable;
    const StartFailure cases[] = {
        {C::CreateSystem, no, 1, 0, false, 1025},
        {C::CreateDevice, no, 2, 0, false, 1029},
        {C::GetDeviceCaps, no, 1, 0, false, 1033},
        {C::GetBackBuffer, no, 1, 0, false, 1035},
        {C::GetDepthStencilSurface, no, 1, 0, false, 1036},
        {C::SurfaceGetDesc, no, 1, 0, true, 1037},
        {C::CreateTexture, no, 1, 0, true, 1038},
        {C::GetSurfaceLevel, no, 1, 0, true, 1039},
        {C::SurfaceGetDesc, no, 1, 1, true, 1040},
        {C::CreateDepthStencilSurface, no, 1, 0, true, 1041},
    };
    for (const StartFailure& c : cases) {
        gpu::test::clearAll();
        gpu::test::failNext(c.call, c.result, c.times, c.after);
        if (c.stretched) {
            gpu::test::setVendorId(ZqGlSystem::VENDOR_ID_STRETCHED);
        }
        ScriptTask root;
        root.onFrame = [](uint32_t) { return false; };
        // Larger than the display: the window shrinks, so the back buffer differs.
        EXPECT_EQ(runFrameworkCode(root, c.stretched ? 1280 : 1024, c.stretched ? 960 : 768),
                  c.code)
            << "call " << static_cast<int>(c.call);
    }
    ScriptTask tooSmall;
    tooSmall.onFrame = [](uint32_t) { return false; };
    EXPECT_EQ(runFrameworkCode(tooSmall, 149, 600), ZqError::DEVICE_SIZE);
}

TEST_F(ZqGlSystemTest, StretchedCaseDrawsTheGameSizeOverTheBackBuffer) {
    gpu::test::setVendorId(ZqGlSystem::VENDOR_ID_STRETCHED);
    ScriptTask root;
    Image picture;
    root.onDraw = [] { ZqGlSystem::clear(gpu::clear::TARGET, 0xFFCC3300u, 1.0f, 0); };
    root.onFrame = [&](const uint32_t frame) {
        EXPECT_EQ(ZqGlSystem::getRenderTargetWidth(), 1280.0f);
        if (frame == 2) {
            const gpu::SurfaceDesc desc = backBufferDesc();
            EXPECT_EQ(desc.width, ZqSystem::getClientWidth());
            EXPECT_LT(desc.width, 1280u);
            picture = windowPicture();
            return false;
        }
        return true;
    };
    ASSERT_EQ(runFrameworkCode(root, 1280, 960), 0u);
    EXPECT_TRUE(zqtest::imagesMatch(picture, Image(picture.width, picture.height, 0xFFCC3300u),
                                    "zqgl_stretched", 0));
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST_F(ZqGlSystemTest, RefusedCardThrows1034AndTheReportShowsTheFailedLines) {
    gpu::test::setCapsFilter([](gpu::Caps& c) {
        c.rasterCaps &= ~gpu::caps::DEPTHBIAS;
        c.maxTextureWidth = 0x400;
        c.pixelShaderVersion = gpu::caps::pixelShaderVersion(3, 0);
    });
    ScriptTask root;
    root.onFrame = [](uint32_t) { return false; };
    ASSERT_EQ(runFrameworkCode(root), ZqError::GRAPHICS_CARD);

    const std::string path = zqtest::outputPath("dx9caps_test.txt");
    std::remove(path.c_str());
    const std::u16string widePath(path.begin(), path.end());
    EXPECT_EQ(ZqGlSystem::reportDeviceCaps(nullptr), 2u);
    EXPECT_TRUE(readFile(path).empty());
    EXPECT_EQ(ZqGlSystem::reportDeviceCaps(widePath.c_str()), 2u);
    const std::string text = readFile(path);
    ASSERT_GE(text.size(), 3u);
    EXPECT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(text.find("\n｜｜├DEPTHBIAS(YES):NO    **************** Test failed.\n"),
              std::string::npos);
    EXPECT_NE(text.find("\n｜｜├SLOPESCALEDEPTHBIAS(YES):YES\n"), std::string::npos);
    EXPECT_NE(text.find("\n｜├MaxTextureWidth(0x800<=):0x400    **************** Test failed.\n"),
              std::string::npos);
    EXPECT_NE(text.find("\n｜├PixelShaderVersion(0x200<=):0x300\n"), std::string::npos);
    EXPECT_NE(text.find("\n｜├PixelShader1xMaxValue(1.000000<=):65504.000000\n"),
              std::string::npos);
    EXPECT_NE(text.find("\nDeviceType:HAL, VertexProcessing:HARDWARE\n"), std::string::npos);
    EXPECT_NE(text.find("AdapterCount:0x1\n├AdapterIdentifier:0x0\n｜├Driver:"), std::string::npos);
    std::remove(path.c_str());
}

// Every field of the record gets its own value: a pattern, or the pattern's complement, so
// each bit of each field is seen set and clear and a row that reads the wrong field shows.
template <bool Complement> void patternCaps(gpu::Caps& c) {
    uint32_t* const fields[] = {&c.caps,
                                &c.caps2,
                                &c.caps3,
                                &c.presentationIntervals,
                                &c.cursorCaps,
                                &c.devCaps,
                                &c.primitiveMiscCaps,
                                &c.rasterCaps,
                                &c.zCmpCaps,
                                &c.srcBlendCaps,
                                &c.destBlendCaps,
                                &c.alphaCmpCaps,
                                &c.shadeCaps,
                                &c.textureCaps,
                                &c.textureFilterCaps,
                                &c.cubeTextureFilterCaps,
                                &c.volumeTextureFilterCaps,
                                &c.textureAddressCaps,
                                &c.volumeTextureAddressCaps,
                                &c.lineCaps,
                                &c.maxTextureWidth,
                                &c.maxTextureHeight,
                                &c.maxVolumeExtent,
                                &c.maxTextureRepeat,
                                &c.maxTextureAspectRatio,
                                &c.maxAnisotropy,
                                &c.stencilCaps,
                                &c.fvfCaps,
                                &c.textureOpCaps,
                                &c.maxTextureBlendStages,
                                &c.maxSimultaneousTextures,
                                &c.vertexProcessingCaps,
                                &c.maxActiveLights,
                                &c.maxUserClipPlanes,
                                &c.maxVertexBlendMatrices,
                                &c.maxVertexBlendMatrixIndex,
                                &c.maxPrimitiveCount,
                                &c.maxVertexIndex,
                                &c.maxStreams,
                                &c.maxStreamStride,
                                &c.vertexShaderVersion,
                                &c.maxVertexShaderConst,
                                &c.pixelShaderVersion,
                                &c.devCaps2,
                                &c.masterAdapterOrdinal,
                                &c.adapterOrdinalInGroup,
                                &c.numberOfAdaptersInGroup,
                                &c.declTypes,
                                &c.numSimultaneousRTs,
                                &c.stretchRectFilterCaps,
                                &c.vs20Caps.caps,
                                &c.ps20Caps.caps,
                                &c.vertexTextureFilterCaps,
                                &c.maxVShaderInstructionsExecuted,
                                &c.maxPShaderInstructionsExecuted,
                                &c.maxVertexShader30InstructionSlots,
                                &c.maxPixelShader30InstructionSlots};
    uint32_t v = 0x2545F491u;
    for (uint32_t* const f : fields) {
        v = v * 1664525u + 1013904223u;
        *f = Complement ? ~v : v;
    }
    int32_t* const counts[] = {&c.vs20Caps.numTemps,
                               &c.vs20Caps.dynamicFlowControlDepth,
                               &c.vs20Caps.staticFlowControlDepth,
                               &c.ps20Caps.numTemps,
                               &c.ps20Caps.dynamicFlowControlDepth,
                               &c.ps20Caps.staticFlowControlDepth,
                               &c.ps20Caps.numInstructionSlots};
    for (int32_t* const n : counts) {
        v = v * 1664525u + 1013904223u;
        *n = static_cast<int32_t>(Complement ? ~v : v);
    }
    float* const reals[] = {&c.maxVertexW,     &c.guardBandLeft,        &c.guardBandTop,
                            &c.guardBandRight, &c.guardBandBottom,      &c.extentsAdjust,
                            &c.maxPointSize,   &c.pixelShader1xMaxValue};
    float r = Complement ? 0.25f : 1.5f;
    for (float* const x : reals) {
        *x = r;
        r = r * -3.0f + 0.125f;
    }
    c.deviceType = Complement ? gpu::DeviceType::Ref : gpu::DeviceType::Hal;
}

// The report's capability part, from the device row on, line for line as kept under
// tests/data (the adapter part names this machine's driver and is left out).
TEST_F(ZqGlSystemTest, ReportPrintsEveryCapabilityRowAsKept) {
    const struct {
        gpu::test::CapsFilter filter;
        const char* golden;
    } cases[] = {{&patternCaps<false>, "gl/dx9caps_pattern.txt"},
                 {&patternCaps<true>, "gl/dx9caps_complement.txt"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.golden);
        gpu::test::setCapsFilter(c.filter);
        ScriptTask root;
        root.onFrame = [](uint32_t) { return false; };
        runFrameworkCode(root);
        const std::string path = zqtest::outputPath("dx9caps_pattern_actual.txt");
        const std::u16string widePath(path.begin(), path.end());
        const uint32_t failed = ZqGlSystem::reportDeviceCaps(widePath.c_str());
        std::string text = readFile(path);
        std::remove(path.c_str());
        const size_t from = text.find("\nDeviceType:");
        ASSERT_NE(from, std::string::npos);
        text = text.substr(from + 1) + "failed:" + std::to_string(failed) + "\n";
        const std::string golden = zqtest::goldenPath(c.golden);
        const char* const update = std::getenv("ZQ_UPDATE_GOLDEN");
        if (update != nullptr && std::string(update) == "1") {
            std::ofstream(golden, std::ios::binary) << text;
        }
        EXPECT_EQ(text, readFile(golden));
    }
}

TEST_F(ZqGlSystemTest, SecondCreationRowServesWhenTheFirstIsRefused) {
    gpu::test::failNext(gpu::test::Call::CreateDevice, gpu::Result::NotAvailable, 1);
    ScriptTask root;
    root.onFrame = [](uint32_t) { return false; };
    ASSERT_EQ(runFrameworkCode(root), 0u);
    const std::string path = zqtest::outputPath("dx9caps_row.txt");
    const std::u16string widePath(path.begin(), path.end());
    EXPECT_EQ(ZqGlSystem::reportDeviceCaps(widePath.c_str()), 0u);
    EXPECT_NE(readFile(path).find("\nDeviceType:HAL, VertexProcessing:SOFTWARE\n"),
              std::string::npos);
    std::remove(path.c_str());
}

TEST_F(ZqGlSystemTest, AdapterQueriesAnswerWithoutAStartedDevice) {
    EXPECT_EQ(ZqGlSystem::getNrAdapters(), 1u);
    char16_t name[512];
    EXPECT_FALSE(ZqGlSystem::getAdapterName(0, nullptr));
    EXPECT_FALSE(ZqGlSystem::getAdapterName(1, name));
    ASSERT_TRUE(ZqGlSystem::getAdapterName(0, name));
    EXPECT_NE(name[0], 0);
    gpu::test::setVendorId(0x1002);
    uint32_t vendor = 0;
    uint32_t device = 1;
    ASSERT_TRUE(ZqGlSystem::getAdapterIds(0, &vendor, &device, nullptr, nullptr));
    EXPECT_EQ(vendor, 0x1002u);
    EXPECT_FALSE(ZqGlSystem::getAdapterIds(3, &vendor, nullptr, nullptr, nullptr));
}

} // namespace
