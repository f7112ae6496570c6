// "shaders/vtxblend.fxo": the game's skinned effect. Each vertex blends up to four palette
// matrices of gvmModelView (indices in its blend indices, weights switched on by
// gvVertexBlendFlags; the first index takes what the weights leave), is lit per pixel like the
// pixel-lit effect, and textured and fogged by technique. "DiffuseTexNoSpec" leaves the
// highlight out; "Shadow" draws the blended shape in gvDiffuse alone (a flat shadow colour).

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

code %{
vec4 lightRow(mat4 table, int i) {
    vec4 e = vec4(0.0);
    e[i] = 1.0;
    return e * table;
}
vec3 lightSum(vec3 base, vec3 n, vec3 pos, bool specular) {
    vec3 v = normalize(-pos);
    vec3 d = gvLightAmbient.rgb * gvAmbient.rgb;
    vec3 s = vec3(0.0);
    for (int i = 0; i < 4; ++i) {
        vec3 l = normalize(-lightRow(gmLightDir, i).xyz);
        vec3 c = lightRow(gmLightColor, i).rgb;
        float nl = dot(n, l);
        d += c * max(nl, 0.0);
        if (specular && nl > 0.0) {
            s += c * pow(max(dot(n, normalize(l + v)), 0.0), gShininess);
        }
    }
    return base * d + gvSpecular.rgb * s;
}
vec4 litPixel(vec4 base, bool specular) {
    return vec4(lightSum(base.rgb, normalize(vTexCoord1.xyz), vTexCoord2.xyz, specular), base.a);
}
vec4 fogged(vec4 c) {
    return vec4(mix(c.rgb, gvFogColor.rgb, vTexCoord7.x), c.a);
}
%}

vertexshader vsBlend %{
vec4 vertexMain() {
    vec4 p = vec4(inPosition.xyz, 1.0);
    vec4 nrm = vec4(inNormal, 0.0);
    vec3 w = inBlendWeight.xyz * gvVertexBlendFlags;
    float w0 = 1.0 - w.x - w.y - w.z;
    ivec4 i = clamp(ivec4(inBlendIndices + 0.5), 0, 47);
    mat4 m0 = gvmModelView(i.x);
    mat4 m1 = gvmModelView(i.y);
    mat4 m2 = gvmModelView(i.z);
    mat4 m3 = gvmModelView(i.w);
    vec4 view = (p * m0) * w0 + (p * m1) * w.x + (p * m2) * w.y + (p * m3) * w.z;
    view.w = 1.0;
    vec3 n = ((nrm * m0) * w0 + (nrm * m1) * w.x + (nrm * m2) * w.y + (nrm * m3) * w.z).xyz;
    vColor0 = inColor0;
    vColor1 = vec4(0.0);
    vTexCoord0 = vec4((vec4(inTexCoord0.xy, 0.0, 1.0) * gmTexture).xy, 0.0, 1.0);
    vTexCoord1 = vec4(n, 0.0);
    vTexCoord2 = vec4(view.xyz, 1.0);
    vTexCoord3 = vec4(0.0);
    vTexCoord4 = vec4(0.0);
    vTexCoord5 = vec4(0.0);
    vTexCoord6 = vec4(0.0);
    vTexCoord7 = vec4(clamp((-view.z + gvFogParams.x) * gvFogParams.y, 0.0, 1.0), 0.0, 0.0, 0.0);
    return view * gmViewProj;
}
%}

pixelshader psDiffuse %{
vec4 pixelMain() { return litPixel(vColor0 * gvDiffuse, true); }
%}
pixelshader psTex %{
vec4 pixelMain() { return litPixel(texture(Tex0Sampler, vTexCoord0.xy) * gvDiffuse, true); }
%}
pixelshader psDiffuseTex %{
vec4 pixelMain() {
    return litPixel(texture(Tex0Sampler, vTexCoord0.xy) * vColor0 * gvDiffuse, true);
}
%}
pixelshader psDiffuseFog %{
vec4 pixelMain() { return fogged(litPixel(vColor0 * gvDiffuse, true)); }
%}
pixelshader psTexFog %{
vec4 pixelMain() {
    return fogged(litPixel(texture(Tex0Sampler, vTexCoord0.xy) * gvDiffuse, true));
}
%}
pixelshader psDiffuseTexFog %{
vec4 pixelMain() {
    return fogged(litPixel(texture(Tex0Sampler, vTexCoord0.xy) * vColor0 * gvDiffuse, true));
}
%}
pixelshader psShadow %{
vec4 pixelMain() { return gvDiffuse; }
%}
pixelshader psDiffuseTexNoSpec %{
vec4 pixelMain() {
    return litPixel(texture(Tex0Sampler, vTexCoord0.xy) * vColor0 * gvDiffuse, false);
}
%}

technique Diffuse { pass P0 { VertexShader = vsBlend; PixelShader = psDiffuse; } }
technique Tex { pass P0 { VertexShader = vsBlend; PixelShader = psTex; } }
technique DiffuseTex { pass P0 { VertexShader = vsBlend; PixelShader = psDiffuseTex; } }
technique DiffuseFog { pass P0 { VertexShader = vsBlend; PixelShader = psDiffuseFog; } }
technique TexFog { pass P0 { VertexShader = vsBlend; PixelShader = psTexFog; } }
technique DiffuseTexFog { pass P0 { VertexShader = vsBlend; PixelShader = psDiffuseTexFog; } }
technique Shadow { pass P0 { VertexShader = vsBlend; PixelShader = psShadow; } }
technique DiffuseTexNoSpec { pass P0 { VertexShader = vsBlend; PixelShader = psDiffuseTexNoSpec; } }
