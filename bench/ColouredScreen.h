#pragma once

#include <string>

// One screen of cols × rows cells of text in 16 foreground and 8 background
// colours, some bold; the seed shifts the colours, so that every seed
// changes every row.
inline std::string colouredScreen(int seed, int cols, int rows)
{
    std::string text = "\x1b[H";
    for (int row = 0; row < rows; ++row) {
        for (int col = 0; col < cols; col += 10) {
            const int n = seed + row * 7 + col;
            text += "\x1b[" + std::to_string(30 + n % 8) + ";" + std::to_string(40 + (n / 8) % 8)
                + (n % 3 == 0 ? ";1m" : "m");
            text += "abcdefghij";
        }
        text += "\x1b[0m";
        if (row + 1 < rows)
            text += "\r\n";
    }
    return text;
}
