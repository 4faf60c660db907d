#version 330 core
// The vertex colour, straight (blended with its alpha).
in vec2 vTexCoord;
in vec4 vColor;
out vec4 fragColor;

void main()
{
    fragColor = vColor;
}
