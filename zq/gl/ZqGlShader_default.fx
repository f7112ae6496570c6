// The library's default effect "*default": the 22 standard parameters every effect shares, the
// four texture samplers, and twelve one-pass techniques. Compiled by zqfxc when libzq is built.
//
// Every technique multiplies by the material colour gvDiffuse (the render-state block's
// diffuse colour, white unless the game changes it). "Diffuse" techniques also take the
// vertex colour (white when the vertices have none), "Tex" ones texture 0 through Tex0Sampler,
// "Fog" ones blend to gvFogColor by the fog amount saturate((distance + gvFogParams.x) *
// gvFogParams.y), the distance being the view-space depth. The plain techniques transform by
// the blended palette gvmModelView and gmViewProj; the "2D" ones take positions already in
// clip space (their fog distance is that z). Pre-transformed vertices skip the vertex shader,
// so the pixel shaders read only what the device's own vertex stage writes as well: the colour
// in vColor0, the texture coordinate in vTexCoord0, and the fog amount in vTexCoord7.x (0
// there).

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

sampler2D Tex0Sampler { Texture = gTex0; };
sampler2D Tex1Sampler { Texture = gTex1; };
sampler2D Tex2Sampler { Texture = gTex2; };
sampler2D Tex3Sampler { Texture = gTex3; };

vertexshader vs3D %{
// Indexed vertex blending: gvVertexBlendFlags switches on up to three weights; palette entry
// inBlendIndices.x takes what the weights leave.
vec4 vertexMain() {
    vec4 p = vec4(inPosition.xyz, 1.0);
    vec3 w = inBlendWeight.xyz * gvVertexBlendFlags;
    ivec4 i = clamp(ivec4(inBlendIndices + 0.5), 0, 47);
    vec4 view = (p * gvmModelView(i.x)) * (1.0 - w.x - w.y - w.z)
              + (p * gvmModelView(i.y)) * w.x
              + (p * gvmModelView(i.z)) * w.y
              + (p * gvmModelView(i.w)) * w.z;
    view.w = 1.0;
    vColor0 = inColor0;
    vColor1 = vec4(0.0);
    vTexCoord0 = vec4((vec4(inTexCoord0.xy, 0.0, 1.0) * gmTexture).xy, 0.0, 1.0);
    vTexCoord1 = vec4(0.0);
    vTexCoord2 = vec4(0.0);
    vTexCoord3 = vec4(0.0);
    vTexCoord4 = vec4(0.0);
    vTexCoord5 = vec4(0.0);
    vTexCoord6 = vec4(0.0);
    vTexCoord7 = vec4(clamp((-view.z + gvFogParams.x) * gvFogParams.y, 0.0, 1.0), 0.0, 0.0, 0.0);
    return view * gmViewProj;
}
%}

vertexshader vs2D %{
vec4 vertexMain() {
    vColor0 = inColor0;
    vColor1 = vec4(0.0);
    vTexCoord0 = vec4((vec4(inTexCoord0.xy, 0.0, 1.0) * gmTexture).xy, 0.0, 1.0);
    vTexCoord1 = vec4(0.0);
    vTexCoord2 = vec4(0.0);
    vTexCoord3 = vec4(0.0);
    vTexCoord4 = vec4(0.0);
    vTexCoord5 = vec4(0.0);
    vTexCoord6 = vec4(0.0);
    vTexCoord7 = vec4(clamp((inPosition.z + gvFogParams.x) * gvFogParams.y, 0.0, 1.0), 0.0, 0.0, 0.0);
    return vec4(inPosition.xyz, 1.0);
}
%}

pixelshader psDiffuse %{
vec4 pixelMain() {
    return vColor0 * gvDiffuse;
}
%}

pixelshader psTex %{
vec4 pixelMain() {
    return texture(Tex0Sampler, vTexCoord0.xy) * gvDiffuse;
}
%}

pixelshader psDiffuseTex %{
vec4 pixelMain() {
    return texture(Tex0Sampler, vTexCoord0.xy) * vColor0 * gvDiffuse;
}
%}

pixelshader psDiffuseFog %{
vec4 pixelMain() {
    vec4 c = vColor0 * gvDiffuse;
    return vec4(mix(c.rgb, gvFogColor.rgb, vTexCoord7.x), c.a);
}
%}

pixelshader psTexFog %{
vec4 pixelMain() {
    vec4 c = texture(Tex0Sampler, vTexCoord0.xy) * gvDiffuse;
    return vec4(mix(c.rgb, gvFogColor.rgb, vTexCoord7.x), c.a);
}
%}

pixelshader psDiffuseTexFog %{
vec4 pixelMain() {
    vec4 c = texture(Tex0Sampler, vTexCoord0.xy) * vColor0 * gvDiffuse;
    return vec4(mix(c.rgb, gvFogColor.rgb, vTexCoord7.x), c.a);
}
%}

technique Diffuse { pass P0 { VertexShader = vs3D; PixelShader = psDiffuse; } }
technique Tex { pass P0 { VertexShader = vs3D; PixelShader = psTex; } }
technique DiffuseTex { pass P0 { VertexShader = vs3D; PixelShader = psDiffuseTex; } }
technique DiffuseFog { pass P0 { VertexShader = vs3D; PixelShader = psDiffuseFog; } }
technique TexFog { pass P0 { VertexShader = vs3D; PixelShader = psTexFog; } }
technique DiffuseTexFog { pass P0 { VertexShader = vs3D; PixelShader = psDiffuseTexFog; } }
technique Diffuse2D { pass P0 { VertexShader = vs2D; PixelShader = psDiffuse; } }
technique Tex2D { pass P0 { VertexShader = vs2D; PixelShader = psTex; } }
technique DiffuseTex2D { pass P0 { VertexShader = vs2D; PixelShader = psDiffuseTex; } }
technique DiffuseFog2D { pass P0 { VertexShader = vs2D; PixelShader = psDiffuseFog; } }
technique TexFog2D { pass P0 { VertexShader = vs2D; PixelShader = psTexFog; } }
technique DiffuseTexFog2D { pass P0 { VertexShader = vs2D; PixelShader = psDiffuseTexFog; } }
