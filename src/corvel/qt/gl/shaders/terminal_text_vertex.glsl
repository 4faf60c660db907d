// One GlyphVertex per vertex: position and texture coordinate of a quad's
// corner, and its colour.
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 texCoord;
layout(location = 2) in vec4 color;

void main()
{
    gl_Position = clipPosition(position);
    vTexCoord = texCoord;
    vColor = color;
}
