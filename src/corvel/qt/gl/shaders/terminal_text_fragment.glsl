// A premultiplied texture (colour glyphs, pictures) times the vertex colour.

void main()
{
    fragColor = texture(atlas, vTexCoord) * vColor;
}
