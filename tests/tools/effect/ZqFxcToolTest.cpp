// The zqfxc program's command line: what it refuses to read or write and which C++ names it
// takes for its --cpp form.
#include "tests/support/FileTestSupport.h"
#include "tests/support/RunProgram.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using zqtest::runProgram;
using zqtest::toolPath;

const char* const EFFECT = "technique T { pass P0 { } }\n";

class ZqFxcTool : public ::testing::Test {
protected:
    void SetUp() override {
        writeText(at("t.fx"), EFFECT);
        std::filesystem::create_directory(at("folder"));
        ASSERT_EQ(0, mkfifo(at("fifo").c_str(), 0600));
    }
    std::string at(const char* const name) const { return (m_scratch.root() / name).string(); }

    ScratchFolder m_scratch;
};

TEST_F(ZqFxcTool, RefusesInputsThatAreNotFilesAndCleansUpAfterAFailedWrite) {
    zqtest::expectRefusals(
        "zqfxc",
        {
            {__LINE__, {at("folder"), at("out.fxo")}, 1, "folder is a folder, not a file"},
            {__LINE__, {"/dev/zero", at("out.fxo")}, 1, "/dev/zero is not a regular file"},
            {__LINE__, {at("fifo"), at("out.fxo")}, 1, "fifo is not a regular file"},
            // An output that is a folder: the temporary file beside it goes again.
            {__LINE__,
             {at("t.fx"), at("folder")},
             1,
             "cannot write " + at("folder") + ": Is a directory"},
            {__LINE__, {at("t.fx"), at("nowhere/out.fxo")}, 1, "cannot write"},
        },
        at("out.fxo"));
    EXPECT_FALSE(std::filesystem::exists(at("folder.tmp")));
    EXPECT_TRUE(std::filesystem::is_empty(at("folder")));
}

TEST_F(ZqFxcTool, CppFormTakesOnlyUsableNames) {
    struct Row {
        int line;
        const char* ns;
        const char* name;
        bool ok;
    };
    const Row rows[] = {
        {__LINE__, "zq_resource", "DEFAULT_EFFECT", true},
        {__LINE__, "outer::inner", "_x1", true},
        {__LINE__, "1abc", "NAME", false},
        {__LINE__, "ns", "a-b", false},
        {__LINE__, "ns", "class", false},
        {__LINE__, "ns", "", false},
        {__LINE__, "ns::", "NAME", false},
        {__LINE__, "ns", "a::b", false},
        {__LINE__, "name space", "NAME", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "line " << row.line);
        const std::string out = at("out.cpp");
        const zqtest::ProgramRun run =
            runProgram(toolPath("zqfxc"), {"--cpp", row.ns, row.name, at("t.fx"), out});
        EXPECT_EQ(row.ok ? 0 : 2, run.status) << run.output;
        EXPECT_EQ(row.ok, std::filesystem::exists(out));
        if (!row.ok) {
            EXPECT_NE(std::string::npos, run.output.find("must be a C++ namespace")) << run.output;
        }
        std::filesystem::remove(out);
    }
}

} // namespace

// GLSL that the driver refuses is refused by zqfxc too, at the line of the effect source that
// holds the mistake; where no GL context can be made, the test has nothing to check.
TEST_F(ZqFxcTool, RefusesShadersTheDriverDoesNotCompile) {
    writeText(at("bad.fx"), "float4 tint;\n"
                            "vertexshader vs %{ vec4 vertexMain() { return inPosition; } %}\n"
                            "pixelshader ps %{\n"
                            "vec4 pixelMain() {\n"
                            "    return tint * undeclaredThing;\n"
                            "}\n"
                            "%}\n"
                            "technique T { pass P { VertexShader = vs; PixelShader = ps; } }\n");
    const zqtest::ProgramRun run = runProgram(toolPath("zqfxc"), {at("bad.fx"), at("out.fxo")});
    if (run.output.find("no OpenGL context here") != std::string::npos) {
        GTEST_SKIP() << run.output;
    }
    EXPECT_EQ(1, run.status) << run.output;
    EXPECT_NE(std::string::npos, run.output.find(at("bad.fx") + ":5: shader 'ps' does not compile"))
        << run.output;
    EXPECT_NE(std::string::npos, run.output.find("undeclaredThing")) << run.output;
    EXPECT_FALSE(std::filesystem::exists(at("out.fxo")));

    // The same effect with the mistake mended compiles.
    writeText(at("good.fx"), "float4 tint;\n"
                             "vertexshader vs %{ vec4 vertexMain() { return inPosition; } %}\n"
                             "pixelshader ps %{ vec4 pixelMain() { return tint; } %}\n"
                             "technique T { pass P { VertexShader = vs; PixelShader = ps; } }\n");
    const zqtest::ProgramRun good = runProgram(toolPath("zqfxc"), {at("good.fx"), at("out.fxo")});
    EXPECT_EQ(0, good.status) << good.output;
}
