#version 400 compatibility
// Sphere evaluation stage: evaluates the curved triangle at the generated vertex, displaces it
// along its normal by the bump map, and hands the fragment stage the two viewer-fixed lights
// and the eye vector in the vertex's tangent frame.

layout(triangles, equal_spacing, ccw) in;

in vec4 Colors_CS_ES[];
in vec4 Normal_CS_ES[];
in vec4 UVMap_CS_ES[];

patch in vec3 f3B210;
patch in vec3 f3B120;
patch in vec3 f3B021;
patch in vec3 f3B012;
patch in vec3 f3B102;
patch in vec3 f3B201;
patch in vec3 f3B111;
patch in vec3 f3N110;
patch in vec3 f3N011;
patch in vec3 f3N101;

uniform mat4 WorldMatrix;
uniform mat4 ViewProjectionMatrix;
uniform mat4 ViewMatrix;
uniform sampler2D bumpMap;
uniform sampler2D normalMap;
uniform vec4 light0_diffuse;
uniform vec4 light1_diffuse;
uniform vec4 mat_specular;
uniform float bumpScale;
uniform float time;

out vec4 color;
out vec3 normal;
out vec4 lightDir1;
out vec4 lightDir2;
out vec4 eyeVec;
out vec2 texcoord;

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
    float u = gl_TessCoord.x;
    float v = gl_TessCoord.y;
    float w = gl_TessCoord.z;

    color = u * Colors_CS_ES[0] + v * Colors_CS_ES[1] + w * Colors_CS_ES[2];
    // Corner 0 carries weight w, corner 1 u and corner 2 v, as in the position below.
    texcoord = w * UVMap_CS_ES[0].xy + u * UVMap_CS_ES[1].xy + v * UVMap_CS_ES[2].xy;
    // Outside the fragment stage there are no derivatives: sample the base level.
    vec4 bump = textureLod(bumpMap, texcoord, 0.0);

    vec3 P0 = gl_in[0].gl_Position.xyz;
    vec3 P1 = gl_in[1].gl_Position.xyz;
    vec3 P2 = gl_in[2].gl_Position.xyz;
    float uu = u * u, vv = v * v, ww = w * w;
    vec3 pos = P0 * ww * w + P1 * uu * u + P2 * vv * v
             + f3B210 * 3.0 * ww * u + f3B120 * 3.0 * w * uu + f3B201 * 3.0 * ww * v
             + f3B021 * 3.0 * uu * v + f3B102 * 3.0 * w * vv + f3B012 * 3.0 * u * vv
             + f3B111 * 6.0 * w * u * v;

    vec3 n = Normal_CS_ES[0].xyz * ww + Normal_CS_ES[1].xyz * uu + Normal_CS_ES[2].xyz * vv
           + f3N110 * w * u + f3N011 * u * v + f3N101 * w * v;
    vec3 N = normalize(n);
    normal = N;

    vec4 position = vec4(pos + N * bump.x * bumpScale, 1.0);
    gl_Position = ViewProjectionMatrix * position;

    // Tangent: the normal crossed with the object's z axis, or with its y axis where that is
    // the longer (better conditioned) of the two.
    vec3 c1 = cross(N, (WorldMatrix * vec4(0.0, 0.0, 1.0, 0.0)).xyz);
    vec3 c2 = cross(N, (WorldMatrix * vec4(0.0, 1.0, 0.0, 0.0)).xyz);
    vec3 T = length(c1) > length(c2) ? normalize(c1) : normalize(c2);
    vec3 B = normalize(cross(N, T));
    vec3 t = (ViewMatrix * vec4(T, 0.0)).xyz;
    vec3 b = (ViewMatrix * vec4(B, 0.0)).xyz;
    vec3 nv = (ViewMatrix * vec4(N, 0.0)).xyz;

    vec4 vVertex = ViewMatrix * position;
    vec3 eye = -vVertex.xyz;

    // Two lights that move with the viewer.
    vec3 light1 = eye + vec3(-20.0, -20.0, 20.0);
    vec3 light2 = eye + vec3(20.0, 20.0, 20.0);
    vec3 d1 = light1 - vVertex.xyz;
    vec3 d2 = light2 - vVertex.xyz;
    lightDir1 = vec4(dot(d1, t), dot(d1, b), dot(d1, nv), 0.0);
    lightDir2 = vec4(dot(d2, t), dot(d2, b), dot(d2, nv), 0.0);
    eyeVec = vec4(dot(eye, t), dot(eye, b), dot(eye, nv), 0.0);
}
