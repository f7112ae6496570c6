// "shaders/phong.fxo": the game's pixel-lit effect. The vertex stage passes the view-space
// normal and position on; each pixel sums ambient, the diffuse term and a specular highlight
// (gvSpecular, gShininess) of up to four lights (rows of gmLightColor and gmLightDir). "Tex"
// techniques add texture 0, "Fog" ones blend to gvFogColor by the view depth.

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
// Lit colour of a view-space surface point: ambient and diffuse times the base colour, plus
// the specular highlight.
vec3 phongLight(vec3 base, vec3 n, vec3 pos) {
    vec3 v = normalize(-pos);
    vec3 d = gvLightAmbient.rgb * gvAmbient.rgb;
    vec3 s = vec3(0.0);
    for (int i = 0; i < 4; ++i) {
        vec3 l = normalize(-lightRow(gmLightDir, i).xyz);
        vec3 c = lightRow(gmLightColor, i).rgb;
        float nl = dot(n, l);
        d += c * max(nl, 0.0);
        if (nl > 0.0) {
            s += c * pow(max(dot(n, normalize(l + v)), 0.0), gShininess);
        }
    }
    return base * d + gvSpecular.rgb * s;
}
vec4 litPixel(vec4 base) {
    vec3 n = normalize(vTexCoord1.xyz);
    return vec4(phongLight(base.rgb, n, vTexCoord2.xyz), base.a);
}
vec4 fogged(vec4 c) {
    return vec4(mix(c.rgb, gvFogColor.rgb, vTexCoord7.x), c.a);
}
%}

vertexshader vsPixelLit %{
vec4 vertexMain() {
    vec4 view = vec4(inPosition.xyz, 1.0) * gvmModelView(0);
    vColor0 = inColor0;
    vColor1 = vec4(0.0);
    vTexCoord0 = vec4((vec4(inTexCoord0.xy, 0.0, 1.0) * gmTexture).xy, 0.0, 1.0);
    vTexCoord1 = vec4((vec4(inNormal, 0.0) * gvmModelView(0)).xyz, 0.0);
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
vec4 pixelMain() { return litPixel(vColor0 * gvDiffuse); }
%}
pixelshader psTex %{
vec4 pixelMain() { return litPixel(texture(Tex0Sampler, vTexCoord0.xy) * gvDiffuse); }
%}
pixelshader psDiffuseTex %{
vec4 pixelMain() { return litPixel(texture(Tex0Sampler, vTexCoord0.xy) * vColor0 * gvDiffuse); }
%}
pixelshader psDiffuseFog %{
vec4 pixelMain() { return fogged(litPixel(vColor0 * gvDiffuse)); }
%}
pixelshader psTexFog %{
vec4 pixelMain() { return fogged(litPixel(texture(Tex0Sampler, vTexCoord0.xy) * gvDiffuse)); }
%}
pixelshader psDiffuseTexFog %{
vec4 pixelMain() {
    return fogged(litPixel(texture(Tex0Sampler, vTexCoord0.xy) * vColor0 * gvDiffuse));
}
%}

technique Diffuse { pass P0 { VertexShader = vsPixelLit; PixelShader = psDiffuse; } }
technique Tex { pass P0 { VertexShader = vsPixelLit; PixelShader = psTex; } }
technique DiffuseTex { pass P0 { VertexShader = vsPixelLit; PixelShader = psDiffuseTex; } }
technique DiffuseFog { pass P0 { VertexShader = vsPixelLit; PixelShader = psDiffuseFog; } }
technique TexFog { pass P0 { VertexShader = vsPixelLit; PixelShader = psTexFog; } }
technique DiffuseTexFog { pass P0 { VertexShader = vsPixelLit; PixelShader = psDiffuseTexFog; } }
