// Coverage from the red channel applied to the vertex colour, premultiplied.

void main()
{
    float coverage = texture(atlas, vTexCoord).r;
    fragColor = vec4(vColor.rgb * vColor.a, vColor.a) * coverage;
}
