// "shaders/gouraud.fxo": the game's vertex-lit effect. Up to four lights (colour and view-space
// direction in the rows of gmLightColor and gmLightDir) light each vertex; the lit colour
// times the vertex colour and gvDiffuse is interpolated over the triangle. "Tex" techniques
// add texture 0, "Fog" ones blend to gvFogColor by the view depth, as the default effect does.

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
// Row i of a light table (the tables hold one light per row).
vec4 lightRow(mat4 table, int i) {
    vec4 e = vec4(0.0);
    e[i] = 1.0;
    return e * table;
}
// Ambient plus the diffuse term of every light for a view-space normal.
vec3 diffuseLight(vec3 n) {
    vec3 c = gvLightAmbient.rgb * gvAmbient.rgb;
    for (int i = 0; i < 4; ++i) {
        vec3 l = -lightRow(gmLightDir, i).xyz;
        c += lightRow(gmLightColor, i).rgb * max(dot(n, normalize(l)), 0.0);
    }
    return c;
}
%}

vertexshader vsLit %{
vec4 vertexMain() {
    vec4 view = vec4(inPosition.xyz, 1.0) * gvmModelView(0);
    vec3 n = normalize((vec4(inNormal, 0.0) * gvmModelView(0)).xyz);
    vColor0 = vec4(inColor0.rgb * diffuseLight(n), inColor0.a);
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

pixelshader psDiffuse %{
vec4 pixelMain() {
    return vColor0 * gvDiffuse;
}
%}

pixelshader psTex %{
vec4 pixelMain() {
    return texture(Tex0Sampler, vTexCoord0.xy) * vec4(vColor0.rgb, 1.0) * gvDiffuse;
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
    vec4 c = texture(Tex0Sampler, vTexCoord0.xy) * vec4(vColor0.rgb, 1.0) * gvDiffuse;
    return vec4(mix(c.rgb, gvFogColor.rgb, vTexCoord7.x), c.a);
}
%}

pixelshader psDiffuseTexFog %{
vec4 pixelMain() {
    vec4 c = texture(Tex0Sampler, vTexCoord0.xy) * vColor0 * gvDiffuse;
    return vec4(mix(c.rgb, gvFogColor.rgb, vTexCoord7.x), c.a);
}
%}

technique Diffuse { pass P0 { VertexShader = vsLit; PixelShader = psDiffuse; } }
technique Tex { pass P0 { VertexShader = vsLit; PixelShader = psTex; } }
technique DiffuseTex { pass P0 { VertexShader = vsLit; PixelShader = psDiffuseTex; } }
technique DiffuseFog { pass P0 { VertexShader = vsLit; PixelShader = psDiffuseFog; } }
technique TexFog { pass P0 { VertexShader = vsLit; PixelShader = psTexFog; } }
technique DiffuseTexFog { pass P0 { VertexShader = vsLit; PixelShader = psDiffuseTexFog; } }
