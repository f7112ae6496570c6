// Names of the graphics device's objects and types for headers that only hold or pass them
// (shared pointers, pointers, references); the definitions are in gpu.h, gpu_types.h and
// gpu_caps.h.
#pragma once

#include <cstdint>

namespace zqp::gpu {

enum class Format : uint32_t;
enum class ResourceType : uint32_t;

struct Caps;
struct PresentParams;

class Surface;
class Texture;
class VertexBuffer;
class IndexBuffer;
class VertexDeclaration;
class VertexShader;
class PixelShader;
class Query;
class Device;
class System;

} // namespace zqp::gpu
