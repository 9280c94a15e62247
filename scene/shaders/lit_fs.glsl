#version 130
uniform float elapsedTime;
uniform vec4 matDiffuse;
uniform vec4 matSpecular;
uniform vec4 matEmissive;
in vec3 Vertex_Normal;
in vec3 Vertex_LightDir;
in vec3 Vertex_EyeVec;
out vec4 Out_Color;
const vec3 kLightAmbient = vec3(0.3, 0.3, 0.1);
const vec3 kLightDiffuse = vec3(0.9, 0.9, 0.9);
const vec3 kLightSpecular = vec3(0.9, 0.9, 0.9);
const vec3 kMatAmbient = vec3(0.4, 0.4, 0.4);
const float kExponent = 40.0;
void main()
{
    vec3 N = normalize(Vertex_Normal);
    vec3 L = normalize(Vertex_LightDir);
    vec3 color = matEmissive.rgb + kLightAmbient * kMatAmbient;
    float lambert = max(dot(N, L), 0.0);
    if (lambert > 0.0) {
        color += kLightDiffuse * matDiffuse.rgb * lambert;
        vec3 R = reflect(-L, N);
        float s = pow(max(dot(R, normalize(Vertex_EyeVec)), 0.0), kExponent);
        color += kLightSpecular * matSpecular.rgb * s;
    }
    Out_Color = vec4(color, matDiffuse.a);
}
