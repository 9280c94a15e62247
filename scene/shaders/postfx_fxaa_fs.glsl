#version 400
#extension GL_EXT_gpu_shader4 : enable
// FXAA v2: blends along the local luma gradient where the neighbourhood has an edge, and keeps
// the two-tap result when the four-tap one overshoots the neighbourhood's luma range.
#define FXAA_REDUCE_MIN (1.0 / 128.0)
#define FXAA_REDUCE_MUL 0.0
#define FXAA_SPAN_MAX 8.0
uniform sampler2D sceneBuffer;
uniform float rt_w;
uniform float rt_h;
in vec4 posPos;
out vec4 Out_Color;

vec3 FxaaPixelShader(vec4 pos, sampler2D tex, vec2 rcpFrame)
{
    vec3 rgbNW = textureLod(tex, pos.zw, 0.0).xyz;
    vec3 rgbNE = textureLodOffset(tex, pos.zw, 0.0, ivec2(1, 0)).xyz;
    vec3 rgbSW = textureLodOffset(tex, pos.zw, 0.0, ivec2(0, 1)).xyz;
    vec3 rgbSE = textureLodOffset(tex, pos.zw, 0.0, ivec2(1, 1)).xyz;
    vec3 rgbM = textureLod(tex, pos.xy, 0.0).xyz;

    vec3 luma = vec3(0.299, 0.587, 0.114);
    float lumaNW = dot(rgbNW, luma);
    float lumaNE = dot(rgbNE, luma);
    float lumaSW = dot(rgbSW, luma);
    float lumaSE = dot(rgbSE, luma);
    float lumaM = dot(rgbM, luma);
    float lumaMin = min(lumaM, min(min(lumaNW, lumaNE), min(lumaSW, lumaSE)));
    float lumaMax = max(lumaM, max(max(lumaNW, lumaNE), max(lumaSW, lumaSE)));

    vec2 dir;
    dir.x = -((lumaNW + lumaNE) - (lumaSW + lumaSE));
    dir.y = ((lumaNW + lumaSW) - (lumaNE + lumaSE));
    float dirReduce = max((lumaNW + lumaNE + lumaSW + lumaSE) * (0.25 * FXAA_REDUCE_MUL), FXAA_REDUCE_MIN);
    float rcpDirMin = 1.0 / (min(abs(dir.x), abs(dir.y)) + dirReduce);
    dir = min(vec2(FXAA_SPAN_MAX), max(vec2(-FXAA_SPAN_MAX), dir * rcpDirMin)) * rcpFrame;

    vec3 rgbA = 0.5 * (textureLod(tex, pos.xy + dir * (1.0 / 3.0 - 0.5), 0.0).xyz +
                       textureLod(tex, pos.xy + dir * (2.0 / 3.0 - 0.5), 0.0).xyz);
    vec3 rgbB = rgbA * 0.5 + 0.25 * (textureLod(tex, pos.xy + dir * -0.5, 0.0).xyz +
                                     textureLod(tex, pos.xy + dir * 0.5, 0.0).xyz);
    float lumaB = dot(rgbB, luma);
    if (lumaB < lumaMin || lumaB > lumaMax)
        return rgbA;
    return rgbB;
}

void main()
{
    vec2 rcpFrame = vec2(1.0 / rt_w, 1.0 / rt_h);
    Out_Color = vec4(FxaaPixelShader(posPos, sceneBuffer, rcpFrame), 1.0);
}
