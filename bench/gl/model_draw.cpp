// Model drawing: 20 skinned characters of 10 submodels with 40-bone palettes drawn with their
// materials by the framework (ZqGlModel::drawMaterial), against a minimal hand-written OpenGL
// 3.3 loop that draws the same meshes with the same matrices (inverse bind x bone x world x
// view per palette entry, one uniform array upload and one indexed draw per submodel). The
// figure is the whole process's processor time per frame from the first draw call until the
// device has finished them (glFinish before and after), both headless on the same driver, so
// that work a driver defers to its own threads or to the flush counts on both sides alike.
// Repetitions run interleaved; the closing line gives the framework's median as a ratio of the
// peer's (goal: at most 1.5).
#include "ZqModelWriter.h"
#include "bench/support/MedianReport.h"
#include "zq/gl/ZqGlCamera.h"
#include "zq/gl/ZqGlModel.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/system/ZqSystem.h"
#include "zq/task/ZqTask.h"

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int CHARACTERS = 20;
constexpr int SUBMODELS = 10;
constexpr int BONES = 40;
constexpr int WARM_UP = 10;
constexpr int FRAMES = 60;
constexpr int WIDTH = 640;
constexpr int HEIGHT = 480;

// Pixels of the frame that differ from its corner (the background): both sides must cover
// about the same area for the times to compare.
long coveredPixels() {
    std::vector<uint32_t> pixels(static_cast<size_t>(WIDTH) * HEIGHT);
    glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    long covered = 0;
    for (const uint32_t p : pixels) {
        covered += p != pixels[0] ? 1 : 0;
    }
    return covered;
}

long g_covered[2] = {0, 0};

double processCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// A chain of 40 bones and 10 tubes of 8 x 12 vertices, each skinned to all 40 bones.
const zq_model_writer::Model& character() {
    static const zq_model_writer::Model model = [] {
        zq_model_writer::Model m;
        for (int b = 0; b < BONES; ++b) {
            zq_model_writer::Bone bone;
            bone.name = "bone" + std::to_string(b);
            bone.parent = b - 1;
            bone.bind = zq_model_writer::Matrix::translation(0.0f, 0.05f * b, 0.0f);
            m.bones.push_back(bone);
        }
        zq_model_writer::Material material;
        material.name = "skin";
        m.materials.push_back(material);
        for (int s = 0; s < SUBMODELS; ++s) {
            zq_model_writer::Submodel sub;
            sub.skinned = true;
            sub.blendWeights = 1;
            for (int b = 0; b < BONES; ++b) {
                sub.palette.push_back(static_cast<uint16_t>(b));
            }
            constexpr int RINGS = 12;
            constexpr int SIDES = 8;
            for (int r = 0; r < RINGS; ++r) {
                for (int k = 0; k < SIDES; ++k) {
                    zq_model_writer::Vertex v;
                    const float a = 6.2831853f * k / SIDES;
                    v.position[0] = 0.1f * std::cos(a) + 0.25f * s;
                    v.position[1] = 2.0f * r / RINGS;
                    v.position[2] = 0.1f * std::sin(a);
                    v.blendIndices[0] = static_cast<uint8_t>(r * BONES / RINGS);
                    v.blendIndices[1] =
                        static_cast<uint8_t>(std::min(BONES - 1, r * BONES / RINGS + 1));
                    v.blendWeights[0] = 0.3f;
                    sub.vertices.push_back(v);
                }
            }
            for (int r = 0; r + 1 < RINGS; ++r) {
                for (int k = 0; k < SIDES; ++k) {
                    const uint16_t a = static_cast<uint16_t>(r * SIDES + k);
                    const uint16_t b = static_cast<uint16_t>(r * SIDES + (k + 1) % SIDES);
                    sub.indices.insert(sub.indices.end(), {a, b, static_cast<uint16_t>(a + SIDES),
                                                           b, static_cast<uint16_t>(b + SIDES),
                                                           static_cast<uint16_t>(a + SIDES)});
                }
            }
            m.submodels.push_back(std::move(sub));
        }
        return m;
    }();
    return model;
}

// The pose and placement every run draws: each bone bent a little, characters on a grid.
struct Scene {
    std::vector<ZqMatrix> bones;
    std::vector<ZqMatrix> inverseBind;
    ZqMatrix worlds[CHARACTERS];
    ZqMatrix view;
    ZqMatrix proj;

    Scene() {
        for (int b = 0; b < BONES; ++b) {
            ZqMatrix r;
            r.setRotZ(0.01f * b);
            r.setTrans(0.0f, 0.05f * b, 0.0f);
            bones.push_back(r);
            ZqMatrix inv = ZqMatrix::UNIT;
            inv.setTrans(0.0f, -0.05f * b, 0.0f);
            inverseBind.push_back(inv);
        }
        for (int c = 0; c < CHARACTERS; ++c) {
            worlds[c] = ZqMatrix::UNIT;
            worlds[c].setTrans(-4.0f + 2.0f * (c % 5), -3.0f + 2.0f * (c / 5), -10.0f);
        }
        view = ZqMatrix::UNIT;
        proj.setScale(0.1f, 0.1f, -0.01f, 1.0f);
    }
};

class DrawRoot : public ZqTask {
public:
    ZqGlModel* model = nullptr;
    Scene scene;
    int frame = 0;
    double drawMs = 0.0;

    uint32_t main1(float) override {
        if (frame++ == WARM_UP + FRAMES) {
            ZqSystem::quit();
        }
        addDrawTask(0, 0.0f);
        return 0;
    }
    void draw(float) override {
        if (model == nullptr) {
            const std::vector<uint8_t> bytes = zq_model_writer::write(character());
            model = ZqGlModel::create(0, u"character", bytes.data(),
                                      static_cast<unsigned int>(bytes.size()));
            if (model == nullptr) {
                ZqSystem::quit();
                return;
            }
        }
        ZqGlShader::getDefaultShader()->setParamMatrix(ZqGlShader::PARAM_VIEW_PROJ, scene.proj);
        ZqGlCamera::getCurrent()->setWorldViewMatrix(scene.view);
        glFinish();
        const double start = processCpuMs();
        for (int c = 0; c < CHARACTERS; ++c) {
            model->drawMaterial(nullptr, scene.bones.data(), &scene.worlds[c], nullptr, 0, 0);
        }
        glFinish();
        if (frame > WARM_UP) {
            drawMs += processCpuMs() - start;
        }
        if (frame == WARM_UP + FRAMES) {
            g_covered[0] = coveredPixels();
        }
    }
};

void framework(benchmark::State& state) {
    for (auto _ : state) {
        DrawRoot root;
        const std::string name = "zq bench model " + std::to_string(getpid());
        const std::u16string mutex(name.begin(), name.end());
        try {
            ZqSystem::go(nullptr, ZqSystem::DEFAULT_STYLE, nullptr, WIDTH, HEIGHT, u"zq model",
                         false, &root, mutex.c_str());
        } catch (const unsigned code) {
            state.SkipWithError(("the framework failed with code " + std::to_string(code)).c_str());
            return;
        }
        if (root.model == nullptr) {
            state.SkipWithError("the model did not load");
            return;
        }
        state.SetIterationTime(root.drawMs / FRAMES / 1e3);
    }
}

const char* const VERTEX_SHADER = R"(#version 330 core
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec4 inIndices;
layout(location = 2) in float inWeight;
uniform mat4 palette[40];
uniform mat4 viewProj;
void main() {
    ivec4 i = ivec4(inIndices + 0.5);
    vec4 p = vec4(inPosition, 1.0);
    vec4 view = palette[i.x] * p * (1.0 - inWeight) + palette[i.y] * p * inWeight;
    gl_Position = viewProj * view;
}
)";
const char* const PIXEL_SHADER = R"(#version 330 core
out vec4 colour;
void main() { colour = vec4(1.0); }
)";

GLuint compile(const GLenum kind, const char* const source) {
    const GLuint s = glCreateShader(kind);
    glShaderSource(s, 1, &source, nullptr);
    glCompileShader(s);
    return s;
}

// The floor: what any program must do at the least to draw these meshes with these matrices.
void minimalLoop(benchmark::State& state) {
    const zq_model_writer::Model& model = character();
    const Scene scene;
    for (auto _ : state) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            state.SkipWithError(SDL_GetError());
            return;
        }
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_Window* const window = SDL_CreateWindow("peer", 0, 0, WIDTH, HEIGHT, SDL_WINDOW_OPENGL);
        SDL_GLContext context = window != nullptr ? SDL_GL_CreateContext(window) : nullptr;
        if (context == nullptr) {
            state.SkipWithError(SDL_GetError());
            return;
        }
        const GLuint program = glCreateProgram();
        glAttachShader(program, compile(GL_VERTEX_SHADER, VERTEX_SHADER));
        glAttachShader(program, compile(GL_FRAGMENT_SHADER, PIXEL_SHADER));
        glLinkProgram(program);
        const GLint paletteAt = glGetUniformLocation(program, "palette");
        const GLint viewProjAt = glGetUniformLocation(program, "viewProj");
        std::vector<GLuint> vaos(SUBMODELS);
        std::vector<GLuint> buffers(2 * SUBMODELS);
        glGenVertexArrays(SUBMODELS, vaos.data());
        glGenBuffers(2 * SUBMODELS, buffers.data());
        struct Packed {
            float position[3];
            uint8_t indices[4];
            float weight;
        };
        for (int s = 0; s < SUBMODELS; ++s) {
            std::vector<Packed> vertices;
            for (const zq_model_writer::Vertex& v : model.submodels[s].vertices) {
                vertices.push_back({{v.position[0], v.position[1], v.position[2]},
                                    {v.blendIndices[0], v.blendIndices[1], 0, 0},
                                    v.blendWeights[0]});
            }
            glBindVertexArray(vaos[s]);
            glBindBuffer(GL_ARRAY_BUFFER, buffers[2 * s]);
            glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(Packed)),
                         vertices.data(), GL_STATIC_DRAW);
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[2 * s + 1]);
            const std::vector<uint16_t>& indices = model.submodels[s].indices;
            glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * 2),
                         indices.data(), GL_STATIC_DRAW);
            glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Packed), nullptr);
            glVertexAttribPointer(1, 4, GL_UNSIGNED_BYTE, GL_FALSE, sizeof(Packed),
                                  reinterpret_cast<void*>(12));
            glVertexAttribPointer(2, 1, GL_FLOAT, GL_FALSE, sizeof(Packed),
                                  reinterpret_cast<void*>(16));
            for (GLuint a = 0; a < 3; ++a) {
                glEnableVertexAttribArray(a);
            }
        }
        glEnable(GL_DEPTH_TEST);
        double drawMs = 0.0;
        ZqMatrix palette[BONES];
        for (int frame = 0; frame < WARM_UP + FRAMES; ++frame) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glFinish();
            const double start = processCpuMs();
            glUseProgram(program);
            glUniformMatrix4fv(viewProjAt, 1, GL_FALSE, &scene.proj.m[0][0]);
            for (int c = 0; c < CHARACTERS; ++c) {
                for (int s = 0; s < SUBMODELS; ++s) {
                    for (int b = 0; b < BONES; ++b) {
                        palette[b] =
                            scene.inverseBind[b] * scene.bones[b] * scene.worlds[c] * scene.view;
                    }
                    glUniformMatrix4fv(paletteAt, BONES, GL_FALSE, &palette[0].m[0][0]);
                    glBindVertexArray(vaos[s]);
                    glDrawElements(GL_TRIANGLES,
                                   static_cast<GLsizei>(model.submodels[s].indices.size()),
                                   GL_UNSIGNED_SHORT, nullptr);
                }
            }
            glFinish();
            if (frame >= WARM_UP) {
                drawMs += processCpuMs() - start;
            }
            if (frame + 1 == WARM_UP + FRAMES) {
                g_covered[1] = coveredPixels();
            }
            SDL_GL_SwapWindow(window);
        }
        glDeleteBuffers(2 * SUBMODELS, buffers.data());
        glDeleteVertexArrays(SUBMODELS, vaos.data());
        glDeleteProgram(program);
        SDL_GL_DeleteContext(context);
        SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        state.SetIterationTime(drawMs / FRAMES / 1e3);
    }
}

} // namespace

int main(int argc, char** argv) {
    // Headless unless told otherwise.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    benchmark::RegisterBenchmark("model_draw/framework", framework)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    benchmark::RegisterBenchmark("model_draw/gl33-floor", minimalLoop)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    zqbench::MedianReporter reporter(true);
    if (!zqbench::runRepeated(argc, argv, reporter)) {
        return 1;
    }
    const double ours = reporter.time("model_draw/framework");
    const double peer = reporter.time("model_draw/gl33-floor");
    if (ours > 0.0 && peer > 0.0) {
        std::printf("draw CPU per frame: framework %.3f ms, GL 3.3 floor %.3f ms, ratio %.2f "
                    "(goal <= 1.50)\n",
                    ours, peer, ours / peer);
        std::printf("pixels covered in the last frame: framework %ld, floor %ld\n", g_covered[0],
                    g_covered[1]);
    }
    zqbench::printFigure("model draw / GL 3.3 loop", peer > 0 ? ours / peer : 0,
                         zqbench::Goal::AT_MOST, 1.5);
    return 0;
}
