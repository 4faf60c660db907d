#version 330 core
// One triangle that covers the whole target; the passes work per fragment.
void main()
{
    vec2 corner = vec2(float((gl_VertexID & 1) << 2), float((gl_VertexID & 2) << 1));
    gl_Position = vec4(corner - 1.0, 0.0, 1.0);
}
