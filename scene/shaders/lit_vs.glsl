#version 130
// Per-pixel Phong with one point light above the scene; kept ready for untessellated meshes.
in vec4 In_Position;
in vec4 In_Normal;
uniform mat4 ModelViewMatrix;
uniform mat4 WorldViewProjectionMatrix;
uniform mat4 ViewMatrix;
uniform mat3 NormalMatrix;
out vec3 Vertex_Normal;
out vec3 Vertex_LightDir;
out vec3 Vertex_EyeVec;
void main()
{
    gl_Position = WorldViewProjectionMatrix * In_Position;
    vec4 viewPos = ModelViewMatrix * In_Position;
    vec4 lightPos = ViewMatrix * vec4(0.0, 50.0, 0.0, 1.0);
    Vertex_Normal = NormalMatrix * In_Normal.xyz;
    Vertex_LightDir = lightPos.xyz - viewPos.xyz;
    Vertex_EyeVec = -viewPos.xyz;
}
