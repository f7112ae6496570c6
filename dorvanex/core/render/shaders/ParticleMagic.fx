// "shaders/ParticleMagic.fxo": the particle effect. Three one-pass techniques, each drawing
// texture 0 times the vertex colour: "Default" for model particles (their mesh through
// matLocal and matViewProj), "LineParticle" for line particles and "RotParticle" for rotating
// camera-facing particles. The particle renderer sets the ten parameters after the standard
// ones from the current camera before every draw.
//
// Rotating vertices carry the particle centre, the corner offset (x, y) in TEXCOORD1 and the
// angle's (sin, cos) in TEXCOORD2: the offset is turned by the angle and added in view space,
// so the quad always faces the camera. Line vertices carry head or tail point, and in
// TEXCOORD1 the line's direction (head - tail) with a signed half width: each end is pushed
// sideways, across the line and across the eye ray, so the strip keeps its width on screen
// from any angle.

shared float4 gvLightAmbient;
shared float4x4 gmLightColor;
shared float4x4 gmLightDir;
shared float4x4 gmLightPos;
shared float4x4 gmLightAttenutation;
shared float4 gvAmbient;
shared float4 gvDiffuse = {1, 1, 1, 1};
shared float4 gvSpecular = {1, 1, 1, 1};
shared float gShininess = 10;
shared float4x4 gmViewProj = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
shared float4x4 gmViewWorld = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
shared float2 gvFogParams = {-5000, 0.00005};
shared float4 gvFogColor = {0.65, 0.7, 0.8, 0};
shared float3 gvVertexBlendFlags;
shared float4x4 gmTexture = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
shared texture gTex0;
shared texture gTex1;
shared texture gTex2;
shared texture gTex3;
shared texture gTexCube;
shared texture gTexNormal;
shared float4x4 gvmModelView[48];

float4 vecZero = {0, 0, 0, 0};
float4 vecOne = {0, 0, 0, 1};
float4 vecLook;
float4 pad;
float4x4 matView = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
float4x4 matProj = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
float4x4 matViewProj = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
float4x4 matLocal = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
float4x4 matViewInv = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
float4x4 matRot90 = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

sampler2D Tex0Sampler { Texture = gTex0; };

vertexshader vsModel %{
vec4 vertexMain() {
    vColor0 = inColor0;
    vColor1 = vec4(0.0);
    vTexCoord0 = vec4(inTexCoord0.xy, 0.0, 1.0);
    vTexCoord1 = vec4(0.0);
    vTexCoord2 = vec4(0.0);
    vTexCoord3 = vec4(0.0);
    vTexCoord4 = vec4(0.0);
    vTexCoord5 = vec4(0.0);
    vTexCoord6 = vec4(0.0);
    vTexCoord7 = vec4(0.0);
    return (vec4(inPosition.xyz, 1.0) * matLocal) * matViewProj;
}
%}

vertexshader vsLine %{
vec4 vertexMain() {
    vec4 view = vec4(inPosition.xyz, 1.0) * matView;
    vec3 dir = (vec4(inTexCoord1.xyz, 0.0) * matView).xyz;
    vec3 side = cross(dir, view.xyz);
    float len = length(side);
    // A line seen end-on has no side of its own; any will do.
    side = len > 1e-6 ? side / len : vec3(1.0, 0.0, 0.0);
    view.xyz += side * inTexCoord1.w;
    vColor0 = inColor0;
    vColor1 = vec4(0.0);
    vTexCoord0 = vec4(inTexCoord0.xy, 0.0, 1.0);
    vTexCoord1 = vec4(0.0);
    vTexCoord2 = vec4(0.0);
    vTexCoord3 = vec4(0.0);
    vTexCoord4 = vec4(0.0);
    vTexCoord5 = vec4(0.0);
    vTexCoord6 = vec4(0.0);
    vTexCoord7 = vec4(0.0);
    return view * matProj;
}
%}

vertexshader vsRot %{
vec4 vertexMain() {
    vec4 view = vec4(inPosition.xyz, 1.0) * matView;
    vec2 o = inTexCoord1.xy;
    float s = inTexCoord2.x;
    float c = inTexCoord2.y;
    view.xy += vec2(o.x * c - o.y * s, o.x * s + o.y * c);
    vColor0 = inColor0;
    vColor1 = vec4(0.0);
    vTexCoord0 = vec4(inTexCoord0.xy, 0.0, 1.0);
    vTexCoord1 = vec4(0.0);
    vTexCoord2 = vec4(0.0);
    vTexCoord3 = vec4(0.0);
    vTexCoord4 = vec4(0.0);
    vTexCoord5 = vec4(0.0);
    vTexCoord6 = vec4(0.0);
    vTexCoord7 = vec4(0.0);
    return view * matProj;
}
%}

pixelshader psParticle %{
vec4 pixelMain() {
    return texture(Tex0Sampler, vTexCoord0.xy) * vColor0;
}
%}

technique Default { pass P0 { VertexShader = vsModel; PixelShader = psParticle; } }
technique LineParticle { pass P0 { VertexShader = vsLine; PixelShader = psParticle; } }
technique RotParticle { pass P0 { VertexShader = vsRot; PixelShader = psParticle; } }
