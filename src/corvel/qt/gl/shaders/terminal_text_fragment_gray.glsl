#version 330 core
// Coverage from the red channel applied to the vertex colour, premultiplied.
in vec2 vTexCoord;
in vec4 vColor;
uniform sampler2D atlas;
out vec4 fragColor;

void main()
{
    float coverage = texture(atlas, vTexCoord).r;
    fragColor = vec4(vColor.rgb * vColor.a, vColor.a) * coverage;
}
