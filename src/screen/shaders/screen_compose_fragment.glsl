#version 330 core
// The whole composition of one output pixel, in the order the effects are
// laid over each other. Colours are premultiplied.
uniform mat3 toFlat;
uniform bool mapValid;
uniform vec2 screenSize;
uniform vec4 bump;
uniform sampler2D picture;
uniform vec2 pictureSize;
uniform vec2 pixelsPerPoint;
uniform sampler2D glow;
uniform float glowOpacity;
uniform vec3 glowColour;
uniform vec2 glowExtent;
uniform int scanStyle;
uniform float scanPeriod;
uniform float scanDarkFrom;
uniform float scanAlpha;
uniform float stripeAlpha;
uniform float scanOffset;
uniform float scanPixels;
uniform float vignette;
uniform float gradeAlpha;
uniform vec3 grade;
uniform sampler2D coverage;
out vec4 colour;

// How strongly the bump bends (BumpDistortion::strength).
uniform float bumpStrength;

vec2 bent(vec2 q)
{
    vec2 centre = bump.xy;
    float radius = bump.z;
    float scale = bump.w;
    if (scale == 0.0)
        return q;
    vec2 d = q - centre;
    float distance = length(d);
    if (!(distance < radius))
        return q;
    vec2 span = mix(screenSize - centre, centre, vec2(lessThan(q, centre)));
    vec2 edge = vec2(span.x > 0.0 ? clamp(d.x / span.x, -1.0, 1.0) : 0.0,
                     span.y > 0.0 ? clamp(d.y / span.y, -1.0, 1.0) : 0.0);
    float fade = 1.0 - (distance / radius) * (distance / radius);
    float pinned = (1.0 - edge.x * edge.x) * (1.0 - edge.y * edge.y);
    return centre + d * (1.0 + bumpStrength * scale * fade * pinned);
}

vec3 softLight(vec3 cb, vec3 cs)
{
    vec3 d = mix(sqrt(cb), ((16.0 * cb - 12.0) * cb + 4.0) * cb, vec3(lessThanEqual(cb, vec3(0.25))));
    vec3 darker = cb - (1.0 - 2.0 * cs) * cb * (1.0 - cb);
    vec3 lighter = cb + (2.0 * cs - 1.0) * (d - cb);
    return mix(lighter, darker, vec3(lessThanEqual(cs, vec3(0.5))));
}

// Source-over of a premultiplied colour.
vec4 over(vec4 top, vec4 below)
{
    return top + below * (1.0 - top.a);
}

void main()
{
    float cover = texelFetch(coverage, ivec2(gl_FragCoord.xy), 0).r;
    vec3 h = toFlat * vec3(gl_FragCoord.xy, 1.0);
    if (cover == 0.0 || !mapValid || h.z == 0.0) {
        colour = vec4(0.0);
        return;
    }
    vec2 q = h.xy / h.z;
    vec2 b = bent(q);
    // An explicit level: no derivatives to work out (the textures have no
    // smaller levels), which a software rasteriser does much faster.
    vec4 c = textureLod(picture, b * pixelsPerPoint / pictureSize, 0.0);

    if (glowOpacity > 0.0) {
        float a = clamp(glowOpacity * textureLod(glow, b / glowExtent, 0.0).r, 0.0, 1.0);
        vec4 g = vec4(glowColour * a, a);
        c = c + g - c * g;
    }

    // The scanline picture lies flat on the screen, drawn from its bottom
    // edge, one pattern pixel per device pixel, sampled at the nearest one.
    if (scanStyle != 0) {
        float u = screenSize.y - q.y;
        if (scanStyle == 1) {
            float row = floor((u - scanOffset) * scanPixels) / scanPixels;
            if (mod(row, scanPeriod) >= scanDarkFrom)
                c = over(vec4(0.0, 0.0, 0.0, scanAlpha), c);
        } else {
            float column = mod(floor(floor(q.x * scanPixels) / scanPixels), 3.0);
            vec3 stripe = column < 1.0 ? vec3(1.0, 0.2, 0.2) : column < 2.0 ? vec3(0.2, 1.0, 0.2) : vec3(0.2, 0.2, 1.0);
            vec4 mask = vec4(stripe * stripeAlpha, stripeAlpha);
            float row = floor(u * scanPixels) / scanPixels;
            if (mod(row, 3.0) < 1.0)
                mask = over(vec4(0.0, 0.0, 0.0, scanAlpha), mask);
            c = over(mask, c);
        }
    }

    if (vignette > 0.0) {
        vec2 middle = screenSize * 0.5;
        float t = length((q - middle) / middle);
        c = over(vec4(0.0, 0.0, 0.0, vignette * clamp((t - 0.55) / 0.45, 0.0, 1.0)), c);
    }

    if (gradeAlpha > 0.0)
        c.rgb = c.rgb + gradeAlpha * (softLight(c.rgb, grade) - c.rgb);

    colour = c * cover;
}
