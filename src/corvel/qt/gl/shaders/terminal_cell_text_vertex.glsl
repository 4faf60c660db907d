// One TextCell per instance, drawn as the six vertices of its quad.
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 size;
layout(location = 2) in vec2 texOrigin;
layout(location = 3) in vec2 texSize;
layout(location = 4) in vec4 color;

void main()
{
    vec2 corner = quadCorner();
    gl_Position = clipPosition(position + corner * size);
    vTexCoord = texOrigin + corner * texSize;
    vColor = color;
}
