#version 150
// Radial blur inside a central disc, the plain scene outside it, a thin grey ring between, and
// a brightening tone curve over everything.
uniform sampler2D sceneBuffer;
uniform sampler2D tileTex;          // reserved input, does not affect the result
uniform float elapsedTime;          // reserved input, does not affect the result
uniform int radial_blur_samples;
uniform float radial_blur_scale_mul;
in vec4 Vertex_UV;
out vec4 Out_Color;

void main()
{
    vec2 uv = Vertex_UV.xy;
    float d = distance(uv, vec2(0.5, 0.5));
    float f = smoothstep(0.38, 0.40, d);
    vec4 r;
    if (f < 0.5) {
        int samples = max(radial_blur_samples, 1);
        float scale = 1.0;
        vec4 sum = vec4(0.0);
        for (int i = 0; i < samples; ++i) {
            sum += texture(sceneBuffer, (uv - vec2(0.5)) * scale * 0.65 + vec2(0.5));
            scale *= radial_blur_scale_mul;
        }
        r = sum / float(samples);
    } else if (f > 0.8) {
        r = texture(sceneBuffer, uv);
    } else {
        r = vec4(f, f, f, 1.0);
    }
    r = (r * r + r) * 0.5;
    r.rgb = pow(r.rgb, vec3(1.0 / 2.2));
    Out_Color = r;
}
