// One ColorVertex per vertex.
layout(location = 0) in vec2 position;
layout(location = 2) in vec4 color;

void main()
{
    gl_Position = clipPosition(position);
    vTexCoord = vec2(0.0);
    vColor = color;
}
