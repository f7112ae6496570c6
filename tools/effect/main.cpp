// zqfxc: compiles an effect source into the effect container the framework loads.
//   zqfxc SOURCE.fx OUTPUT.fxo
//   zqfxc --cpp NAMESPACE NAME SOURCE.fx OUTPUT.cpp
// The second form writes a C++ source that defines the container as the byte array
// NAMESPACE::NAME and its size as NAMESPACE::NAME_SIZE (how the library carries its own
// default effect).
#include "tools/effect/ZqFxCompiler.h"

#include "zq/platform/fs/readfile.h"
#include "zq/platform/gpu/glsl_check.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Far more than any effect source; the container itself holds much less.
constexpr uint64_t MAX_SOURCE_SIZE = 16u << 20;

// Writes through a temporary file so that a failed run never leaves a half-written output,
// nor the temporary file itself. False with the reason in error.
bool writeFile(const std::string& path, const std::string& bytes, std::string& error) {
    const std::string temp = path + ".tmp";
    std::FILE* const out = std::fopen(temp.c_str(), "wb");
    if (out == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    const int writeErrno = errno;
    if (std::fclose(out) != 0 || !written) {
        error = std::strerror(written ? errno : writeErrno);
        std::remove(temp.c_str());
        return false;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        error = std::strerror(errno);
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

// True for a name the generated C++ can use: an identifier that is no keyword, or for a
// namespace, identifiers joined by "::".
bool isCppName(const std::string& name, const bool nested) {
    static const char* const KEYWORDS[] = {"alignas",       "alignof",     "and",
                                           "and_eq",        "asm",         "auto",
                                           "bitand",        "bitor",       "bool",
                                           "break",         "case",        "catch",
                                           "char",          "char8_t",     "char16_t",
                                           "char32_t",      "class",       "compl",
                                           "concept",       "const",       "consteval",
                                           "constexpr",     "constinit",   "const_cast",
                                           "continue",      "co_await",    "co_return",
                                           "co_yield",      "decltype",    "default",
                                           "delete",        "do",          "double",
                                           "dynamic_cast",  "else",        "enum",
                                           "explicit",      "export",      "extern",
                                           "false",         "float",       "for",
                                           "friend",        "goto",        "if",
                                           "inline",        "int",         "long",
                                           "mutable",       "namespace",   "new",
                                           "noexcept",      "not",         "not_eq",
                                           "nullptr",       "operator",    "or",
                                           "or_eq",         "private",     "protected",
                                           "public",        "register",    "reinterpret_cast",
                                           "requires",      "return",      "short",
                                           "signed",        "sizeof",      "static",
                                           "static_assert", "static_cast", "struct",
                                           "switch",        "template",    "this",
                                           "thread_local",  "throw",       "true",
                                           "try",           "typedef",     "typeid",
                                           "typename",      "union",       "unsigned",
                                           "using",         "virtual",     "void",
                                           "volatile",      "wchar_t",     "while",
                                           "xor",           "xor_eq"};
    size_t start = 0;
    for (;;) {
        const size_t end = nested ? name.find("::", start) : std::string::npos;
        const std::string part = name.substr(start, end == std::string::npos ? end : end - start);
        if (part.empty() || (part[0] >= '0' && part[0] <= '9')) {
            return false;
        }
        for (const char c : part) {
            const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                            (c >= '0' && c <= '9') || c == '_';
            if (!ok) {
                return false;
            }
        }
        for (const char* const keyword : KEYWORDS) {
            if (part == keyword) {
                return false;
            }
        }
        if (end == std::string::npos) {
            return true;
        }
        start = end + 2;
    }
}

std::string cppSource(const std::vector<uint8_t>& bytes, const std::string& ns,
                      const std::string& name, const std::string& from) {
    std::string s = "// Generated by zqfxc from " + from + "; do not edit.\n";
    s += "namespace " + ns + " {\n";
    s += "extern const unsigned char " + name + "[];\n";
    s += "extern const unsigned int " + name + "_SIZE;\n";
    s += "alignas(16) const unsigned char " + name + "[] = {";
    char buf[16];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%s%u,", i % 24 == 0 ? "\n    " : "", bytes[i]);
        s += buf;
    }
    s += "\n};\n";
    s += "const unsigned int " + name + "_SIZE = " + std::to_string(bytes.size()) + ";\n";
    s += "} // namespace " + ns + "\n";
    return s;
}

int usage() {
    std::fprintf(stderr, "usage: zqfxc SOURCE.fx OUTPUT.fxo\n"
                         "       zqfxc --cpp NAMESPACE NAME SOURCE.fx OUTPUT.cpp\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const bool cpp = !args.empty() && args[0] == "--cpp";
    if ((cpp && args.size() != 5) || (!cpp && args.size() != 2)) {
        return usage();
    }
    const std::string& sourcePath = cpp ? args[3] : args[0];
    const std::string& outputPath = cpp ? args[4] : args[1];

    if (cpp && (!isCppName(args[1], true) || !isCppName(args[2], false))) {
        std::fprintf(stderr,
                     "zqfxc: '%s' and '%s' must be a C++ namespace and a C++ name (letters, "
                     "digits and '_', not a keyword)\n",
                     args[1].c_str(), args[2].c_str());
        return 2;
    }

    std::string source;
    std::string readError;
    if (!zqp::readWholeFile(sourcePath, MAX_SOURCE_SIZE, source, &readError)) {
        std::fprintf(stderr, "zqfxc: %s\n", readError.c_str());
        return 1;
    }
    // Every shader goes through the driver's GLSL compiler where a context can be made, so
    // that an effect the device would refuse at load time is refused here.
    const zqp::gpu::GlslChecker checker;
    zqfx::ShaderCheck check;
    if (checker.isReady()) {
        check = [&checker](const zqfx::Stage stage, const std::string& code, std::string& log) {
            return checker.compile(stage == zqfx::STAGE_VERTEX
                                       ? zqp::gpu::GlslChecker::Stage::Vertex
                                       : zqp::gpu::GlslChecker::Stage::Pixel,
                                   code, log);
        };
    } else {
        std::fprintf(stderr, "zqfxc: no OpenGL context here; the shaders of %s are not checked\n",
                     sourcePath.c_str());
    }
    std::vector<uint8_t> bytes;
    std::string error;
    if (!zqfx::compile(source, sourcePath, bytes, error, check)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const std::string output = cpp ? cppSource(bytes, args[1], args[2], sourcePath)
                                   : std::string(bytes.begin(), bytes.end());
    std::string writeError;
    if (!writeFile(outputPath, output, writeError)) {
        std::fprintf(stderr, "zqfxc: cannot write %s: %s\n", outputPath.c_str(),
                     writeError.c_str());
        return 1;
    }
    return 0;
}
