#version 330 core
// One direction of the Gaussian blur, the edge texels repeated.
uniform sampler2D light;
uniform ivec2 direction;
uniform int radius;
uniform float weights[33];
out float blurred;
void main()
{
    ivec2 at = ivec2(gl_FragCoord.xy);
    ivec2 last = textureSize(light, 0) - 1;
    float sum = 0.0;
    for (int d = -radius; d <= radius; ++d)
        sum += weights[d + radius] * texelFetch(light, clamp(at + d * direction, ivec2(0), last), 0).r;
    blurred = sum;
}
