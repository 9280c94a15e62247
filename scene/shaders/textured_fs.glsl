#version 150
uniform sampler2D colorMap;
in vec4 Vertex_UV;
out vec4 Out_Color;
void main()
{
    Out_Color = texture(colorMap, Vertex_UV.xy);
}
