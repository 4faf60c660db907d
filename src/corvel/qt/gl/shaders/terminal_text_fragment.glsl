#version 330 core
// A premultiplied texture (colour glyphs, pictures) times the vertex colour.
in vec2 vTexCoord;
in vec4 vColor;
uniform sampler2D atlas;
out vec4 fragColor;

void main()
{
    fragColor = texture(atlas, vTexCoord) * vColor;
}
