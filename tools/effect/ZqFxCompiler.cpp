#include "tools/effect/ZqFxCompiler.h"

#include "zq/file/ZqByteWriter.h"
#include "zq/gl/ZqGlEffectFormat.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <stdexcept>

namespace zqfx {
namespace {

// A failure at a source line; caught once in compile().
struct CompileError : std::runtime_error {
    CompileError(const int line, const std::string& message)
        : std::runtime_error(message), m_line(line) {}
    int m_line;
};

// ---------------------------------------------------------------------------------------------
// Tokens

enum class Tok { End, Name, Number, Punct, Code };

struct Token {
    Tok kind = Tok::End;
    std::string text;
    int line = 0;
    // For code blocks: the line the text starts on.
    int codeLine = 0;
};

class Lexer {
public:
    explicit Lexer(const std::string& s) : m_s(s) {}

    Token next() {
        skipSpace();
        Token t;
        t.line = m_line;
        if (m_pos >= m_s.size()) {
            return t;
        }
        const char c = m_s[m_pos];
        if (c == '%' && peek(1) == '{') {
            m_pos += 2;
            t.kind = Tok::Code;
            t.codeLine = m_line;
            const size_t end = m_s.find("%}", m_pos);
            if (end == std::string::npos) {
                throw CompileError(t.line, "code block without its closing %}");
            }
            t.text = m_s.substr(m_pos, end - m_pos);
            for (const char ch : t.text) {
                if (ch == '\n') {
                    ++m_line;
                } else if (ch == '\0') {
                    throw CompileError(t.line, "NUL character in a code block");
                }
            }
            m_pos = end + 2;
            return t;
        }
        if (isNameStart(c)) {
            t.kind = Tok::Name;
            const size_t start = m_pos;
            while (m_pos < m_s.size() && isNameChar(m_s[m_pos])) {
                ++m_pos;
            }
            t.text = m_s.substr(start, m_pos - start);
            return t;
        }
        if (isDigit(c) || (c == '.' && isDigit(peek(1)))) {
            t.kind = Tok::Number;
            const size_t start = m_pos;
            const bool hex = c == '0' && (peek(1) == 'x' || peek(1) == 'X');
            while (m_pos < m_s.size()) {
                const char d = m_s[m_pos];
                const bool exponentSign = !hex && (d == '-' || d == '+') &&
                                          (m_s[m_pos - 1] == 'e' || m_s[m_pos - 1] == 'E');
                if (!isNameChar(d) && d != '.' && !exponentSign) {
                    break;
                }
                ++m_pos;
            }
            t.text = m_s.substr(start, m_pos - start);
            return t;
        }
        if (std::strchr("{}[]();=,-", c) != nullptr) {
            t.kind = Tok::Punct;
            t.text = std::string(1, c);
            ++m_pos;
            return t;
        }
        throw CompileError(t.line, std::string("unexpected character '") + c + "'");
    }

private:
    static bool isDigit(const char c) { return c >= '0' && c <= '9'; }
    static bool isNameStart(const char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    }
    static bool isNameChar(const char c) { return isNameStart(c) || isDigit(c); }
    char peek(const size_t ahead) const {
        return m_pos + ahead < m_s.size() ? m_s[m_pos + ahead] : '\0';
    }

    void skipSpace() {
        while (m_pos < m_s.size()) {
            const char c = m_s[m_pos];
            if (c == '\n') {
                ++m_line;
                ++m_pos;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++m_pos;
            } else if (c == '/' && peek(1) == '/') {
                while (m_pos < m_s.size() && m_s[m_pos] != '\n') {
                    ++m_pos;
                }
            } else if (c == '/' && peek(1) == '*') {
                const int startLine = m_line;
                m_pos += 2;
                while (m_pos < m_s.size() && !(m_s[m_pos] == '*' && peek(1) == '/')) {
                    if (m_s[m_pos] == '\n') {
                        ++m_line;
                    }
                    ++m_pos;
                }
                if (m_pos >= m_s.size()) {
                    throw CompileError(startLine, "comment without its closing */");
                }
                m_pos += 2;
            } else {
                return;
            }
        }
    }

    const std::string& m_s;
    size_t m_pos = 0;
    int m_line = 1;
};

// ---------------------------------------------------------------------------------------------
// The parsed source

struct ParamDecl {
    std::string name;
    ParamType type = TYPE_FLOAT;
    bool shared = false;
    uint32_t elements = 0;
    std::vector<uint32_t> value; // empty: zero-filled
    int line = 0;
};

struct SamplerDecl {
    std::string name;
    SamplerKind kind = SAMPLER_2D;
    uint32_t texture = 0;
    uint32_t stateMask = 0;
    uint32_t states[SAMPLER_STATE_SLOTS] = {};
};

struct CodeBlock {
    std::string text;
    int line = 0;
};

struct ShaderDecl {
    std::string name;
    Stage stage = STAGE_VERTEX;
    CodeBlock body;
    int line = 0;
};

struct PassDecl {
    std::string name;
    std::string vertexShader;
    std::string pixelShader;
    std::vector<std::pair<uint32_t, uint32_t>> states;
    int line = 0;
};

struct TechniqueDecl {
    std::string name;
    std::vector<PassDecl> passes;
};

struct Effect {
    std::vector<ParamDecl> params;
    std::vector<SamplerDecl> samplers;
    std::vector<CodeBlock> code;
    std::vector<ShaderDecl> shaders;
    std::vector<TechniqueDecl> techniques;
};

bool equalsNoCase(const std::string& a, const char* b) {
    const size_t n = std::strlen(b);
    if (a.size() != n) {
        return false;
    }
    for (size_t i = 0; i < n; ++i) {
        const char x = static_cast<char>(a[i] >= 'A' && a[i] <= 'Z' ? a[i] + 32 : a[i]);
        const char y = static_cast<char>(b[i] >= 'A' && b[i] <= 'Z' ? b[i] + 32 : b[i]);
        if (x != y) {
            return false;
        }
    }
    return true;
}

class Parser {
public:
    explicit Parser(const std::string& source) : m_lexer(source) { advance(); }

    Effect run() {
        while (m_tok.kind != Tok::End) {
            item();
        }
        return std::move(m_fx);
    }

private:
    void advance() { m_tok = m_lexer.next(); }
    [[noreturn]] void fail(const std::string& message) const {
        throw CompileError(m_tok.line, message);
    }
    bool isPunct(const char* p) const { return m_tok.kind == Tok::Punct && m_tok.text == p; }
    bool isName(const char* n) const { return m_tok.kind == Tok::Name && m_tok.text == n; }
    void expect(const char* p) {
        if (!isPunct(p)) {
            fail(std::string("expected '") + p + "'" + found());
        }
        advance();
    }
    std::string found() const {
        if (m_tok.kind == Tok::End) {
            return " at the end of the file";
        }
        return " before '" + m_tok.text.substr(0, 20) + "'";
    }
    std::string name(const char* what) {
        if (m_tok.kind != Tok::Name) {
            fail(std::string("expected ") + what + found());
        }
        std::string n = m_tok.text;
        if (n.size() > MAX_NAME_LENGTH) {
            fail("name longer than 255 characters");
        }
        if (n.compare(0, 3, "zq_") == 0) {
            fail("names beginning zq_ are the device's");
        }
        advance();
        return n;
    }
    CodeBlock code() {
        if (m_tok.kind != Tok::Code) {
            fail("expected a %{ ... %} code block" + found());
        }
        CodeBlock b{m_tok.text, m_tok.codeLine};
        if (b.text.size() > MAX_CODE_LENGTH / 2) {
            fail("code block too long");
        }
        advance();
        return b;
    }

    void checkNewName(const std::string& n, const int line) {
        if (!m_names.insert(n).second) {
            throw CompileError(line, "'" + n + "' is declared twice");
        }
    }

    void item() {
        const int line = m_tok.line;
        if (isName("shared")) {
            advance();
            param(true, line);
        } else if (isName("sampler2D") || isName("sampler2DShadow") || isName("samplerCUBE")) {
            sampler();
        } else if (isName("code")) {
            advance();
            m_fx.code.push_back(code());
        } else if (isName("vertexshader") || isName("pixelshader")) {
            ShaderDecl s;
            s.stage = m_tok.text == "vertexshader" ? STAGE_VERTEX : STAGE_PIXEL;
            s.line = line;
            advance();
            s.name = name("a shader name");
            checkNewName(s.name, line);
            s.body = code();
            m_fx.shaders.push_back(std::move(s));
        } else if (isName("technique")) {
            technique();
        } else if (m_tok.kind == Tok::Name) {
            param(false, line);
        } else {
            fail("expected a declaration" + found());
        }
    }

    static bool typeOf(const std::string& s, ParamType& out) {
        static const char* const names[TYPE_COUNT] = {"bool",   "int",    "float",    "float2",
                                                      "float3", "float4", "float4x4", "texture"};
        for (uint32_t i = 0; i < TYPE_COUNT; ++i) {
            if (s == names[i]) {
                out = static_cast<ParamType>(i);
                return true;
            }
        }
        return false;
    }

    void param(const bool shared, const int line) {
        ParamDecl p;
        p.shared = shared;
        p.line = line;
        if (m_tok.kind != Tok::Name || !typeOf(m_tok.text, p.type)) {
            fail("expected a parameter type" + found());
        }
        advance();
        p.name = name("a parameter name");
        checkNewName(p.name, line);
        if (isPunct("[")) {
            advance();
            if (m_tok.kind != Tok::Number) {
                fail("expected an array length" + found());
            }
            p.elements = integer(m_tok.text);
            if (p.elements == 0 || p.elements > MAX_ELEMENTS) {
                fail("array length must be 1 to 1024");
            }
            if (p.type == TYPE_TEXTURE) {
                fail("texture arrays are not supported");
            }
            advance();
            expect("]");
        }
        const uint32_t words = componentsOf(p.type) * (p.elements == 0 ? 1 : p.elements);
        m_totalWords += words;
        if (m_totalWords > MAX_VALUE_WORDS) {
            fail("parameters too large together");
        }
        if (isPunct("=")) {
            if (p.type == TYPE_TEXTURE) {
                fail("a texture parameter takes no initial value");
            }
            advance();
            if (isPunct("{")) {
                advance();
                while (!isPunct("}")) {
                    p.value.push_back(scalar(p.type));
                    if (!isPunct(",")) {
                        break;
                    }
                    advance();
                }
                expect("}");
            } else {
                p.value.push_back(scalar(p.type));
            }
            if (p.value.size() != words) {
                fail("'" + p.name + "' needs " + std::to_string(words) + " initial values, not " +
                     std::to_string(p.value.size()));
            }
        }
        expect(";");
        if (m_fx.params.size() >= MAX_PARAMS) {
            fail("too many parameters");
        }
        m_fx.params.push_back(std::move(p));
    }

    uint32_t integer(const std::string& text) const {
        errno = 0;
        char* end = nullptr;
        const unsigned long long v = std::strtoull(text.c_str(), &end, 0);
        if (errno != 0 || end == text.c_str() || *end != '\0' || v > 0xFFFFFFFFull) {
            fail("'" + text + "' is not a 32-bit integer");
        }
        return static_cast<uint32_t>(v);
    }

    float real(const std::string& text) const {
        std::string t = text;
        if (!t.empty() && (t.back() == 'f' || t.back() == 'F') &&
            t.find_first_of("xX") == std::string::npos) {
            t.pop_back();
        }
        errno = 0;
        char* end = nullptr;
        const float v = std::strtof(t.c_str(), &end);
        if (errno != 0 || end == t.c_str() || *end != '\0' || !std::isfinite(v)) {
            fail("'" + text + "' is not a number");
        }
        return v;
    }

    static uint32_t bitsOf(const float f) {
        uint32_t u = 0;
        std::memcpy(&u, &f, 4);
        return u;
    }

    // One component of a parameter's initial value, as its stored word.
    uint32_t scalar(const ParamType type) {
        if (type == TYPE_BOOL) {
            uint32_t v = 0;
            if (isName("true")) {
                v = 1;
            } else if (isName("false")) {
                v = 0;
            } else if (m_tok.kind == Tok::Number && (m_tok.text == "0" || m_tok.text == "1")) {
                v = m_tok.text == "1" ? 1 : 0;
            } else {
                fail("expected true or false" + found());
            }
            advance();
            return v;
        }
        bool negative = false;
        if (isPunct("-")) {
            negative = true;
            advance();
        }
        if (m_tok.kind != Tok::Number) {
            fail("expected a number" + found());
        }
        uint32_t word = 0;
        if (type == TYPE_INT) {
            const uint32_t u = integer(m_tok.text);
            if (u > (negative ? 0x80000000u : 0x7FFFFFFFu)) {
                fail("'" + m_tok.text + "' does not fit a signed 32-bit integer");
            }
            word = negative ? static_cast<uint32_t>(-static_cast<int64_t>(u)) : u;
        } else {
            const float f = real(m_tok.text);
            word = bitsOf(negative ? -f : f);
        }
        advance();
        return word;
    }

    // A state value of a kind: a value name, or a number (a float's bits for float states).
    uint32_t stateValue(const ValueKind kind) {
        uint32_t v = 0;
        if (m_tok.kind == Tok::Name) {
            bool known = false;
            for (const ValueName& vn : VALUE_NAMES) {
                if (vn.kind == kind && equalsNoCase(m_tok.text, vn.name)) {
                    v = vn.value;
                    known = true;
                    break;
                }
            }
            if (!known) {
                fail("'" + m_tok.text + "' is not a value of this state");
            }
            advance();
        } else {
            bool negative = false;
            if (isPunct("-")) {
                negative = true;
                advance();
            }
            if (m_tok.kind != Tok::Number) {
                fail("expected a state value" + found());
            }
            if (kind == VALUE_FLOAT) {
                const float f = real(m_tok.text);
                v = bitsOf(negative ? -f : f);
            } else {
                if (negative) {
                    fail("this state takes no negative value");
                }
                v = integer(m_tok.text);
            }
            advance();
        }
        if (!isValueInRange(kind, v)) {
            fail("state value out of range");
        }
        return v;
    }

    template <size_t N> const StateInfo* stateNamed(const StateInfo (&table)[N]) const {
        for (const StateInfo& s : table) {
            if (equalsNoCase(m_tok.text, s.name)) {
                return &s;
            }
        }
        return nullptr;
    }

    void sampler() {
        const int line = m_tok.line;
        SamplerDecl s;
        s.kind = m_tok.text == "sampler2D"         ? SAMPLER_2D
                 : m_tok.text == "sampler2DShadow" ? SAMPLER_2D_SHADOW
                                                   : SAMPLER_CUBE;
        advance();
        s.name = name("a sampler name");
        checkNewName(s.name, line);
        expect("{");
        bool haveTexture = false;
        while (!isPunct("}")) {
            if (m_tok.kind != Tok::Name) {
                fail("expected a sampler state" + found());
            }
            if (equalsNoCase(m_tok.text, "Texture")) {
                advance();
                expect("=");
                const std::string t = name("a texture parameter");
                bool found = false;
                for (uint32_t i = 0; i < m_fx.params.size(); ++i) {
                    if (m_fx.params[i].name == t && m_fx.params[i].type == TYPE_TEXTURE) {
                        s.texture = i;
                        found = true;
                    }
                }
                if (!found) {
                    fail("'" + t + "' is not a texture parameter declared before the sampler");
                }
                haveTexture = true;
            } else {
                const StateInfo* const info = stateNamed(SAMPLER_STATES);
                if (info == nullptr) {
                    fail("'" + m_tok.text + "' is not a sampler state");
                }
                advance();
                expect("=");
                s.states[info->id] = stateValue(info->kind);
                s.stateMask |= 1u << info->id;
            }
            expect(";");
        }
        expect("}");
        if (isPunct(";")) {
            advance();
        }
        if (!haveTexture) {
            throw CompileError(line, "sampler '" + s.name + "' names no texture");
        }
        if (m_fx.samplers.size() >= MAX_SAMPLERS) {
            throw CompileError(line, "more than 16 samplers");
        }
        m_fx.samplers.push_back(s);
    }

    void technique() {
        const int line = m_tok.line;
        advance();
        TechniqueDecl t;
        t.name = name("a technique name");
        for (const auto& other : m_fx.techniques) {
            if (other.name == t.name) {
                throw CompileError(line, "technique '" + t.name + "' is declared twice");
            }
        }
        expect("{");
        while (!isPunct("}")) {
            if (!isName("pass")) {
                fail("expected a pass" + found());
            }
            PassDecl p;
            p.line = m_tok.line;
            advance();
            p.name = name("a pass name");
            expect("{");
            while (!isPunct("}")) {
                if (m_tok.kind != Tok::Name) {
                    fail("expected a pass state" + found());
                }
                if (equalsNoCase(m_tok.text, "VertexShader") ||
                    equalsNoCase(m_tok.text, "PixelShader")) {
                    std::string& target =
                        equalsNoCase(m_tok.text, "VertexShader") ? p.vertexShader : p.pixelShader;
                    advance();
                    expect("=");
                    target = name("a shader name");
                } else {
                    const StateInfo* const info = stateNamed(RENDER_STATES);
                    if (info == nullptr) {
                        fail("'" + m_tok.text + "' is not a render state a pass can set");
                    }
                    advance();
                    expect("=");
                    p.states.emplace_back(info->id, stateValue(info->kind));
                    if (p.states.size() > MAX_STATES_PER_PASS) {
                        fail("too many states in one pass");
                    }
                }
                expect(";");
            }
            expect("}");
            t.passes.push_back(std::move(p));
        }
        expect("}");
        if (isPunct(";")) {
            advance();
        }
        if (t.passes.empty()) {
            throw CompileError(line, "technique '" + t.name + "' has no pass");
        }
        if (m_fx.techniques.size() >= MAX_TECHNIQUES) {
            throw CompileError(line, "too many techniques");
        }
        m_fx.techniques.push_back(std::move(t));
    }

    Lexer m_lexer;
    Token m_tok;
    Effect m_fx;
    std::set<std::string> m_names;
    uint32_t m_totalWords = 0;
};

// ---------------------------------------------------------------------------------------------
// Shader code generation

// Identifiers of GLSL text, comments skipped.
std::set<std::string> identifiersOf(const std::string& text) {
    std::set<std::string> ids;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            while (i < text.size() && text[i] != '\n') {
                ++i;
            }
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            const size_t end = text.find("*/", i + 2);
            i = end == std::string::npos ? text.size() : end + 2;
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_') {
            const size_t start = i;
            while (i < text.size() &&
                   ((text[i] >= 'a' && text[i] <= 'z') || (text[i] >= 'A' && text[i] <= 'Z') ||
                    (text[i] >= '0' && text[i] <= '9') || text[i] == '_')) {
                ++i;
            }
            ids.insert(text.substr(start, i - start));
        } else if (c >= '0' && c <= '9') {
            // Skip numbers whole so that suffixes and exponents are not read as names.
            while (i < text.size() &&
                   ((text[i] >= '0' && text[i] <= '9') || text[i] == '.' ||
                    (text[i] >= 'a' && text[i] <= 'z') || (text[i] >= 'A' && text[i] <= 'Z'))) {
                ++i;
            }
        } else {
            ++i;
        }
    }
    return ids;
}

struct ConstantOut {
    uint16_t param;
    uint16_t firstRegister;
    uint16_t registerCount;
};

struct ShaderOut {
    Stage stage;
    std::string code;
    std::vector<ConstantOut> constants;
    std::vector<std::pair<uint16_t, uint16_t>> samplers; // sampler, stage
};

// The GLSL expression of element `index` (a GLSL expression itself) of a parameter whose
// registers start at `reg` in the register file `file`.
std::string accessOf(const ParamType type, const std::string& file, const uint32_t reg,
                     const std::string& index) {
    const uint32_t per = registersOf(type);
    std::string r = std::to_string(reg);
    if (!index.empty()) {
        r += per == 1 ? "+(" + index + ")" : "+" + std::to_string(per) + "*(" + index + ")";
    }
    auto at = [&](const uint32_t k) {
        return file + "[" + r + (k != 0 ? "+" + std::to_string(k) : "") + "]";
    };
    switch (type) {
    case TYPE_BOOL:
        return "(" + at(0) + ".x != 0.0)";
    case TYPE_INT:
        return "int(" + at(0) + ".x)";
    case TYPE_FLOAT:
        return "(" + at(0) + ".x)";
    case TYPE_FLOAT2:
        return "(" + at(0) + ".xy)";
    case TYPE_FLOAT3:
        return "(" + at(0) + ".xyz)";
    case TYPE_FLOAT4:
        return "(" + at(0) + ")";
    case TYPE_FLOAT4X4:
        return "mat4(" + at(0) + ", " + at(1) + ", " + at(2) + ", " + at(3) + ")";
    default:
        return "";
    }
}

ShaderOut generate(const Effect& fx, const ShaderDecl& sh) {
    ShaderOut out;
    out.stage = sh.stage;
    std::set<std::string> ids;
    for (const CodeBlock& b : fx.code) {
        const std::set<std::string> more = identifiersOf(b.text);
        ids.insert(more.begin(), more.end());
    }
    {
        const std::set<std::string> more = identifiersOf(sh.body.text);
        ids.insert(more.begin(), more.end());
    }
    const std::string file = sh.stage == STAGE_VERTEX ? "zq_vc" : "zq_pc";
    const uint32_t limit = sh.stage == STAGE_VERTEX ? VERTEX_REGISTERS : PIXEL_REGISTERS;
    std::string prelude = "// parameters and samplers of the effect\n";
    uint32_t next = 0;
    for (uint32_t i = 0; i < fx.params.size(); ++i) {
        const ParamDecl& p = fx.params[i];
        if (ids.count(p.name) == 0) {
            continue;
        }
        if (p.type == TYPE_TEXTURE) {
            throw CompileError(sh.line, "shader '" + sh.name + "' reads texture '" + p.name +
                                            "'; textures are read through samplers");
        }
        const uint32_t count = registersOf(p.type) * (p.elements == 0 ? 1 : p.elements);
        if (next + count > limit) {
            throw CompileError(sh.line, "shader '" + sh.name + "' needs more than " +
                                            std::to_string(limit) + " constant registers");
        }
        out.constants.push_back(
            {static_cast<uint16_t>(i), static_cast<uint16_t>(next), static_cast<uint16_t>(count)});
        if (p.elements == 0) {
            prelude += "#define " + p.name + " " + accessOf(p.type, file, next, "") + "\n";
        } else {
            prelude += "#define " + p.name + "(i) " + accessOf(p.type, file, next, "i") + "\n";
        }
        next += count;
    }
    for (uint32_t i = 0; i < fx.samplers.size(); ++i) {
        const SamplerDecl& s = fx.samplers[i];
        if (ids.count(s.name) == 0) {
            continue;
        }
        const std::string unit = "zq_s" + std::to_string(i);
        prelude += std::string("uniform ") +
                   (s.kind == SAMPLER_2D          ? "sampler2D "
                    : s.kind == SAMPLER_2D_SHADOW ? "sampler2DShadow "
                                                  : "samplerCube ") +
                   unit + ";\n#define " + s.name + " " + unit + "\n";
        out.samplers.emplace_back(static_cast<uint16_t>(i), static_cast<uint16_t>(i));
    }
    out.code = prelude;
    for (const CodeBlock& b : fx.code) {
        out.code += "#line " + std::to_string(b.line) + "\n" + b.text + "\n";
    }
    out.code += "#line " + std::to_string(sh.body.line) + "\n" + sh.body.text + "\n";
    if (out.code.size() > MAX_CODE_LENGTH) {
        throw CompileError(sh.line, "shader '" + sh.name + "' is too long");
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Container writing

class Writer {
public:
    // Appends a string reference, sharing equal strings.
    void str(ZqByteWriter& b, const std::string& s) {
        ZqByteWriter& strings = m_sections[SECTION_STRINGS];
        auto it = m_stringAt.find(s);
        if (it == m_stringAt.end()) {
            it = m_stringAt.emplace(s, static_cast<uint32_t>(strings.tell())).first;
            strings.bytes(s.data(), s.size());
        }
        b.u32(it->second);
        b.u32(static_cast<uint32_t>(s.size()));
    }
    ZqByteWriter& section(const Section s) { return m_sections[s]; }
    // Records written so far into a section.
    uint32_t count(const Section s) const {
        return static_cast<uint32_t>(m_sections[s].tell() / RECORD_SIZE[s]);
    }

    std::vector<uint8_t> finish() {
        ZqByteWriter out;
        out.bytes(MAGIC, sizeof MAGIC);
        out.u32(VERSION);
        const uint64_t sizeAt = out.tell();
        out.u32(0); // file size, patched below
        out.u32(SECTION_COUNT);
        uint64_t offset = HEADER_SIZE;
        for (uint32_t s = 0; s < SECTION_COUNT; ++s) {
            out.u32(static_cast<uint32_t>(offset));
            out.u32(count(static_cast<Section>(s)));
            offset += (m_sections[s].tell() + 3) & ~uint64_t{3};
        }
        for (const ZqByteWriter& section : m_sections) {
            out.bytes(section.data().data(), section.tell());
            out.align(4);
        }
        out.patchU32(sizeAt, static_cast<uint32_t>(out.tell()));
        return out.take();
    }

private:
    ZqByteWriter m_sections[SECTION_COUNT];
    std::map<std::string, uint32_t> m_stringAt;
};

// The first error a GLSL compiler's log locates: its line and its text. Lines of a log start
// with the source string, then the line ("0:12(5): error: ..." or "0(12) : error ...").
bool firstLocatedError(const std::string& log, int& line, std::string& message) {
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        end = end == std::string::npos ? log.size() : end;
        const std::string text = log.substr(start, end - start);
        start = end + 1;
        size_t i = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            ++i;
        }
        if (i == 0 || i >= text.size() || (text[i] != ':' && text[i] != '(')) {
            continue;
        }
        const size_t first = ++i;
        long value = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && value < 1000000) {
            value = value * 10 + (text[i] - '0');
            ++i;
        }
        const size_t colon = text.find(": ", i);
        if (i == first || colon == std::string::npos ||
            text.find("error", colon) == std::string::npos) {
            continue;
        }
        line = static_cast<int>(value);
        message = text.substr(colon + 2);
        return true;
    }
    return false;
}

// Runs the check on a shader about to be written; a refusal becomes the compile error.
void checkShader(const ShaderCheck& check, const ShaderDecl& sh, const Stage stage,
                 const std::string& code) {
    std::string log;
    if (!check || check(stage, code, log)) {
        return;
    }
    int line = sh.line;
    std::string message;
    if (!firstLocatedError(log, line, message)) {
        message = log.substr(0, log.find('\n'));
    }
    throw CompileError(line, "shader '" + sh.name + "' does not compile: " + message);
}

std::vector<uint8_t> build(const Effect& fx, const ShaderCheck& check) {
    Writer w;
    for (const ParamDecl& p : fx.params) {
        ZqByteWriter& b = w.section(SECTION_PARAMS);
        ZqByteWriter& values = w.section(SECTION_VALUES);
        w.str(b, p.name);
        b.u8(p.type);
        b.u8(p.shared ? PARAM_SHARED : 0);
        b.u16(0);
        b.u32(p.elements);
        b.u32(w.count(SECTION_VALUES));
        b.u32(static_cast<uint32_t>(p.value.size()));
        for (const uint32_t v : p.value) {
            values.u32(v);
        }
    }
    for (const SamplerDecl& s : fx.samplers) {
        ZqByteWriter& b = w.section(SECTION_SAMPLERS);
        w.str(b, s.name);
        b.u8(s.kind);
        b.u8(0);
        b.u16(static_cast<uint16_t>(s.texture));
        b.u32(s.stateMask);
        for (const uint32_t v : s.states) {
            b.u32(v);
        }
    }

    // Only shaders that a pass uses are compiled, each once, in order of first use.
    std::map<std::string, uint32_t> shaderIndex;
    std::vector<const ShaderDecl*> used;
    auto useShader = [&](const std::string& name, const Stage stage, const int line) {
        if (name.empty()) {
            return NO_SHADER;
        }
        const auto it = shaderIndex.find(name);
        if (it != shaderIndex.end()) {
            return it->second;
        }
        for (const ShaderDecl& sh : fx.shaders) {
            if (sh.name == name) {
                if (sh.stage != stage) {
                    throw CompileError(line, "'" + name + "' is not a " +
                                                 (stage == STAGE_VERTEX ? "vertex" : "pixel") +
                                                 " shader");
                }
                if (used.size() >= MAX_SHADERS) {
                    throw CompileError(line, "too many shaders");
                }
                const uint32_t index = static_cast<uint32_t>(used.size());
                shaderIndex.emplace(name, index);
                used.push_back(&sh);
                return index;
            }
        }
        throw CompileError(line, "no shader named '" + name + "'");
    };

    uint32_t passCount = 0;
    for (const TechniqueDecl& t : fx.techniques) {
        ZqByteWriter& tb = w.section(SECTION_TECHNIQUES);
        w.str(tb, t.name);
        tb.u32(passCount);
        tb.u32(static_cast<uint32_t>(t.passes.size()));
        for (const PassDecl& p : t.passes) {
            if (++passCount > MAX_PASSES) {
                throw CompileError(p.line, "too many passes");
            }
            ZqByteWriter& pb = w.section(SECTION_PASSES);
            w.str(pb, p.name);
            pb.u32(useShader(p.vertexShader, STAGE_VERTEX, p.line));
            pb.u32(useShader(p.pixelShader, STAGE_PIXEL, p.line));
            pb.u32(w.count(SECTION_STATES));
            pb.u32(static_cast<uint32_t>(p.states.size()));
            for (const auto& [id, value] : p.states) {
                w.section(SECTION_STATES).u32(id);
                w.section(SECTION_STATES).u32(value);
            }
        }
    }

    for (const ShaderDecl* sh : used) {
        const ShaderOut s = generate(fx, *sh);
        checkShader(check, *sh, s.stage, s.code);
        ZqByteWriter& b = w.section(SECTION_SHADERS);
        ZqByteWriter& cb = w.section(SECTION_CONSTANTS);
        ZqByteWriter& sb = w.section(SECTION_SAMPLER_BINDINGS);
        b.u8(s.stage);
        b.u8(0);
        b.u16(0);
        w.str(b, s.code);
        b.u32(w.count(SECTION_CONSTANTS));
        b.u32(static_cast<uint32_t>(s.constants.size()));
        b.u32(w.count(SECTION_SAMPLER_BINDINGS));
        b.u32(static_cast<uint32_t>(s.samplers.size()));
        for (const ConstantOut& c : s.constants) {
            cb.u16(c.param);
            cb.u16(c.firstRegister);
            cb.u16(c.registerCount);
            cb.u16(0);
        }
        for (const auto& [sampler, stage] : s.samplers) {
            sb.u16(sampler);
            sb.u16(stage);
        }
    }
    return w.finish();
}

} // namespace

bool compile(const std::string& source, const std::string& sourceName, std::vector<uint8_t>& out,
             std::string& error, const ShaderCheck& check) {
    out.clear();
    error.clear();
    try {
        Parser parser(source);
        const Effect fx = parser.run();
        if (fx.techniques.empty()) {
            throw CompileError(1, "the effect has no technique");
        }
        out = build(fx, check);
        return true;
    } catch (const CompileError& e) {
        error = sourceName + ":" + std::to_string(e.m_line) + ": " + e.what();
    }
    out.clear();
    return false;
}

} // namespace zqfx
