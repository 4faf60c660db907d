#version 330 core
// One TextCell per instance, drawn as six vertices: (left, bottom),
// (right, bottom), (left, top), (right, bottom), (right, top), (left, top).
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 size;
layout(location = 2) in vec2 texOrigin;
layout(location = 3) in vec2 texSize;
layout(location = 4) in vec4 color;
uniform vec2 viewport;
out vec2 vTexCoord;
out vec4 vColor;

const vec2 corners[6] = vec2[6](vec2(0, 0), vec2(1, 0), vec2(0, 1), vec2(1, 0), vec2(1, 1), vec2(0, 1));

void main()
{
    vec2 corner = corners[gl_VertexID % 6];
    gl_Position = vec4(2.0 * (position + corner * size) / viewport - 1.0, 0.0, 1.0);
    vTexCoord = texOrigin + corner * texSize;
    vColor = color;
}
