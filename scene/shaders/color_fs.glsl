#version 150
uniform vec4 color;
out vec4 Out_Color;
void main()
{
    Out_Color = color;
}
