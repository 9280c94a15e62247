#version 150
// Screen-aligned flat-colour quad (progress bar).
in vec4 In_Position;
uniform mat4 WorldViewProjectionMatrix;
void main()
{
    gl_Position = WorldViewProjectionMatrix * In_Position;
}
