#version 330 core
// The brightness of the picture averaged over each glow texel's square of
// the screen: taps x taps filtered samples spread over the square.
uniform sampler2D picture;
uniform vec2 pictureSize;
uniform vec2 pixelsPerPoint;
uniform float texelPoints;
uniform int taps;
out float light;
void main()
{
    vec2 origin = floor(gl_FragCoord.xy) * texelPoints;
    float sum = 0.0;
    for (int j = 0; j < taps; ++j) {
        for (int i = 0; i < taps; ++i) {
            vec2 point = origin + (vec2(i, j) + 0.5) / float(taps) * texelPoints;
            vec3 c = textureLod(picture, point * pixelsPerPoint / pictureSize, 0.0).rgb;
            sum += dot(c, vec3(0.2126, 0.7152, 0.0722));
        }
    }
    light = sum / float(taps * taps);
}
