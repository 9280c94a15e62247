#version 400 compatibility
// Sphere control stage: per patch, the control net of a curved point-normal triangle (cubic
// positions, quadratic normals) from the three corner positions and normals.

layout(vertices = 3) out;

in vec4 Color_VS_CS[];
in vec4 Normal_VS_CS[];
in vec4 UVMap_VS_CS[];

uniform float tessLevelOuter;
uniform float tessLevelInner;
uniform mat4 ViewMatrix;

out vec4 Colors_CS_ES[];
out vec4 Normal_CS_ES[];
out vec4 UVMap_CS_ES[];

patch out vec3 f3B210;
patch out vec3 f3B120;
patch out vec3 f3B021;
patch out vec3 f3B012;
patch out vec3 f3B102;
patch out vec3 f3B201;
patch out vec3 f3B111;
patch out vec3 f3N110;
patch out vec3 f3N011;
patch out vec3 f3N101;

// Edge control point next to corner a on the edge towards b: a third of the way along the
// edge, projected onto the tangent plane at a.
vec3 EdgePoint(vec3 pa, vec3 pb, vec3 na)
{
    return (2.0 * pa + pb - dot(pb - pa, na) * na) / 3.0;
}

// Mid-edge normal: the average normal reflected across the plane perpendicular to the edge.
// The sphere's poles are rings of coincident vertices, so edges of length zero do occur; they
// keep the plain average instead of dividing by zero.
vec3 EdgeNormal(vec3 pa, vec3 pb, vec3 na, vec3 nb)
{
    vec3 d = pb - pa;
    float len2 = dot(d, d);
    float v = len2 > 1e-12 ? 2.0 * dot(d, na + nb) / len2 : 0.0;
    vec3 n = na + nb - v * d;
    float nl = length(n);
    return nl > 1e-12 ? n / nl : na;
}

void main()
{
    gl_TessLevelOuter[0] = tessLevelOuter;
    gl_TessLevelOuter[1] = tessLevelOuter;
    gl_TessLevelOuter[2] = tessLevelOuter;
    gl_TessLevelInner[0] = tessLevelInner;

    gl_out[gl_InvocationID].gl_Position = gl_in[gl_InvocationID].gl_Position;
    Colors_CS_ES[gl_InvocationID] = Color_VS_CS[gl_InvocationID];
    Normal_CS_ES[gl_InvocationID] = Normal_VS_CS[gl_InvocationID];
    UVMap_CS_ES[gl_InvocationID] = UVMap_VS_CS[gl_InvocationID];

    vec3 P0 = gl_in[0].gl_Position.xyz;   // B003
    vec3 P1 = gl_in[1].gl_Position.xyz;   // B030
    vec3 P2 = gl_in[2].gl_Position.xyz;   // B300
    vec3 N0 = Normal_VS_CS[0].xyz;        // N002
    vec3 N1 = Normal_VS_CS[1].xyz;        // N020
    vec3 N2 = Normal_VS_CS[2].xyz;        // N200

    f3B210 = EdgePoint(P0, P1, N0);
    f3B120 = EdgePoint(P1, P0, N1);
    f3B021 = EdgePoint(P1, P2, N1);
    f3B012 = EdgePoint(P2, P1, N2);
    f3B102 = EdgePoint(P2, P0, N2);
    f3B201 = EdgePoint(P0, P2, N0);

    vec3 E = (f3B210 + f3B120 + f3B021 + f3B012 + f3B102 + f3B201) / 6.0;
    vec3 V = (P0 + P1 + P2) / 3.0;
    f3B111 = E + (E - V) / 2.0;

    f3N110 = EdgeNormal(P0, P1, N0, N1);
    f3N011 = EdgeNormal(P1, P2, N1, N2);
    f3N101 = EdgeNormal(P2, P0, N2, N0);
}
