#version 400
// Screen quad for FXAA: posPos.xy is the pixel's texture coordinate, posPos.zw its top-left
// neighbourhood corner half a texel up and left.
#define FXAA_SUBPIX_SHIFT 0.0
in vec4 In_Position;
in vec4 In_UV;
uniform mat4 WorldViewProjectionMatrix;
uniform float rt_w;
uniform float rt_h;
out vec4 Vertex_UV;
out vec4 posPos;

void main()
{
    gl_Position = WorldViewProjectionMatrix * In_Position;
    Vertex_UV = In_UV;
    vec2 rcpFrame = vec2(1.0 / rt_w, 1.0 / rt_h);
    posPos.xy = In_UV.xy;
    posPos.zw = In_UV.xy - rcpFrame * (0.5 + FXAA_SUBPIX_SHIFT);
}
