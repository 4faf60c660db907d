// One ColorCell per instance, drawn as the six vertices of its quad.
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 size;
layout(location = 4) in vec4 color;

void main()
{
    gl_Position = clipPosition(position + quadCorner() * size);
    vTexCoord = vec2(0.0);
    vColor = color;
}
