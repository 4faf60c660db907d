// The vertex colour, straight (blended with its alpha).

void main()
{
    fragColor = vColor;
}
