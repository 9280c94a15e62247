#version 150
// Screen-aligned textured quad (background, logos).
in vec4 In_Position;
in vec4 In_UV;
uniform mat4 WorldViewProjectionMatrix;
uniform float UVScale;
out vec4 Vertex_UV;
void main()
{
    gl_Position = WorldViewProjectionMatrix * In_Position;
    Vertex_UV = In_UV * UVScale;
}
