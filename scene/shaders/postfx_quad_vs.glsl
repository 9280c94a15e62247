#version 150
// Screen quad for the radial blurs: the unit quad mapped onto the viewport.
in vec4 In_Position;
in vec4 In_UV;
uniform mat4 WorldViewProjectionMatrix;
out vec4 Vertex_UV;

void main()
{
    gl_Position = WorldViewProjectionMatrix * In_Position;
    Vertex_UV = In_UV;
}
