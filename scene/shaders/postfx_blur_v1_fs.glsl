#version 150
// Radial blur: the average of the scene sampled at shrinking scales around the centre.
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
    // A count below 1 would divide by zero; one sample is the unblurred scene.
    int samples = max(radial_blur_samples, 1);
    float scale = 1.0;
    vec4 sum = vec4(0.0);
    for (int i = 0; i < samples; ++i) {
        sum += texture(sceneBuffer, (uv - vec2(0.5)) * scale + vec2(0.5));
        scale *= radial_blur_scale_mul;
    }
    Out_Color = sum / float(samples);
}
