# Seeds for fuzz_effect_file: effects compiled by zqfxc, the library's default effect and two
# small ones that use every record kind. Run with -DZQFXC=<zqfxc> -DOUT=<folder>
# -DSOURCE=<source tree>.
file(REMOVE_RECURSE ${OUT} ${OUT}-new ${OUT}-src)
file(MAKE_DIRECTORY ${OUT} ${OUT}-new ${OUT}-src)

function(compile name source)
    execute_process(COMMAND ${ZQFXC} ${source} ${OUT}/${name}.fxo RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "zqfxc could not compile ${source}")
    endif()
endfunction()

compile(default ${SOURCE}/zq/gl/ZqGlShader_default.fx)
file(WRITE ${OUT}-src/states.fx [=[
shared float4 colour = {1, 0.5, 0.25, 1};
int count = 3;
bool on = true;
float4x4 palette[2];
texture t;
samplerCUBE S { Texture = t; MinFilter = point; AddressU = clamp; MaxAnisotropy = 4; };
vertexshader vs %{ vec4 vertexMain() { return inPosition * palette(count - 2); } %}
pixelshader ps %{ vec4 pixelMain() { return on ? texture(S, vTexCoord0.xyz) * colour : vec4(0.0); } %}
technique A {
    pass P0 { VertexShader = vs; PixelShader = ps; CullMode = none; ZFunc = always; DepthBias = 0.5; }
    pass P1 { PixelShader = ps; SrcBlend = one; DestBlend = one; }
}
technique B { pass P0 { } }
]=])
compile(states ${OUT}-src/states.fx)
file(WRITE ${OUT}-src/tiny.fx "technique T { pass P { } }\n")
compile(tiny ${OUT}-src/tiny.fx)
file(REMOVE_RECURSE ${OUT}-src)
