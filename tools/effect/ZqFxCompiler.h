// The effect compiler: turns an effect source (text) into the compiled container that
// ZqGlShader loads (zq/gl/ZqGlEffectFormat.h). Used by the zqfxc program, by the build (the
// library's default effect) and by tests that need effects of their own.
//
// Source format (free form; `//` and `/* */` comments; names are case-sensitive, state names
// and state values are not):
//
//   [shared] TYPE NAME [ '[' COUNT ']' ] [ '=' VALUE | '=' '{' VALUE, ... '}' ] ';'
//       TYPE: bool int float float2 float3 float4 float4x4 texture. An initialiser gives every
//       component (a matrix row by row, arrays element after element). `shared` parameters
//       hold one value for every effect made with the same effect pool.
//   sampler2D|sampler2DShadow|samplerCUBE NAME '{' Texture '=' TEXTUREPARAM ';' [STATE '=' VALUE
//   ';']... '}'
//       STATE: AddressU AddressV AddressW BorderColor MagFilter MinFilter MipFilter
//       MipMapLodBias MaxMipLevel MaxAnisotropy. Samplers take sampler stages in the order they
//       are declared (at most 16). sampler2DShadow reads a depth texture as a comparison
//       (texture(s, vec3(uv, depth)) gives 1 where depth <= the stored depth).
//   code '%{' GLSL '%}'
//       GLSL shared by every shader of the effect (functions, constants); it is put in front
//       of each shader body, in file order.
//   vertexshader|pixelshader NAME '%{' GLSL '%}'
//       A GLSL 330 body for the device: a vertex shader defines `vec4 vertexMain()`, a pixel
//       shader `vec4 pixelMain()` (inputs, outputs and the rest as the device describes).
//   technique NAME '{' ( pass NAME '{' [VertexShader '=' NAME ';'] [PixelShader '=' NAME ';']
//       [RENDERSTATE '=' VALUE ';']... '}' )+ '}'
//
// Shader code reads parameters by name: float/int/bool parameters as such, floatN as vecN,
// float4x4 as mat4 meant to be multiplied from the left by a row vector (`p * gmViewProj`);
// an array parameter as a call, `gvmModelView(i)`. Samplers are read by name with the GLSL
// texture functions. Texture parameters are reached only through samplers.
#pragma once

#include "zq/gl/ZqGlEffectFormat.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zqfx {

// Checks one shader as the container stores it with a real GLSL compiler: true when it
// compiles, else false with the compiler's log, whose lines begin with the location of an
// error ("0:12(5): " or "0(12) : "; line numbers are the effect source's own).
using ShaderCheck = std::function<bool(Stage stage, const std::string& code, std::string& log)>;

// Compiles source into out. On failure returns false with "name:line: message" in error and
// out empty. With a check, every shader written is checked too, and the first error of one
// that does not compile is reported at its source line.
bool compile(const std::string& source, const std::string& sourceName, std::vector<uint8_t>& out,
             std::string& error, const ShaderCheck& check = nullptr);

} // namespace zqfx
