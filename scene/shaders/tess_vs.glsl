#version 400 compatibility
// Sphere vertex stage: world-space position (no projection yet; the evaluation stage projects
// after displacement), scaled texture coordinates, world-space normal.

in vec4 In_Position;
in vec4 In_Normal;
in vec4 In_UV;

uniform mat4 WorldMatrix;
uniform mat3 NormalMatrix;
uniform float UVScale;
uniform float time;

out vec4 Color_VS_CS;
out vec4 Normal_VS_CS;
out vec4 UVMap_VS_CS;

// Animated twist kept for experiments; not called.
vec4 twist(vec4 p)
{
    float c = cos(time), s = sin(time);
    p.xz = mat2(c, -s, s, c) * p.xz;
    p.xy = mat2(c, -s, s, c) * p.xy;
    return p;
}

void main()
{
    gl_Position = WorldMatrix * In_Position;
    UVMap_VS_CS = In_UV * UVScale;
    vec3 n = (WorldMatrix * vec4(In_Normal.xyz, 0.0)).xyz;
    Normal_VS_CS = vec4(n, 0.0);
    Color_VS_CS = vec4(n, 1.0);
}
