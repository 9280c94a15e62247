#version 400 compatibility
// Sphere fragment stage: two lights in tangent space, per-pixel normal from the normal map,
// specular masked by the bump map.

in vec4 lightDir1;
in vec4 lightDir2;
in vec4 eyeVec;
in vec2 texcoord;

uniform sampler2D diffuseMap;
uniform sampler2D bumpMap;
uniform sampler2D normalMap;
uniform vec4 light0_diffuse;
uniform vec4 light1_diffuse;
uniform vec4 mat_specular;   // rgb colour, a = exponent

out vec4 Out_Color;

const vec4 kLightAmbient = vec4(0.1, 0.1, 0.1, 1.0);
const vec4 kLightSpecular = vec4(0.9, 0.9, 0.9, 1.0);
const vec4 kMatAmbient = vec4(0.4, 0.4, 0.4, 1.0);
const vec4 kMatDiffuse = vec4(0.8, 0.8, 0.9, 1.0);

vec3 Light(vec3 dir, vec4 lightDiffuse, vec3 base, vec3 bN, float mask)
{
    vec3 result = kLightAmbient.rgb * kMatAmbient.rgb * base;
    vec3 L = normalize(dir);
    float lambert = clamp(dot(bN, L), 0.0, 1.0);
    if (lambert > 0.0) {
        result += lightDiffuse.rgb * kMatDiffuse.rgb * lambert * base;
        vec3 E = normalize(eyeVec.xyz);
        vec3 R = reflect(-L, bN);
        float specular = pow(max(dot(R, E), 0.0), mat_specular.a);
        result += kLightSpecular.rgb * mat_specular.rgb * specular * lambert * mask;
    }
    return result;
}

void main()
{
    vec3 base = texture(diffuseMap, texcoord).rgb;
    vec3 bump = texture(bumpMap, texcoord).rgb;
    vec3 bN = normalize(texture(normalMap, texcoord).rgb * 2.0 - 1.0);
    vec3 result = Light(lightDir1.xyz, light0_diffuse, base, bN, bump.x);
    result += Light(lightDir2.xyz, light1_diffuse, base, bN, bump.x);
    Out_Color = vec4(result, 1.0);
}
