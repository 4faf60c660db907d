#include "skin/CuratedPalettes.h"

#include <QRandomGenerator>

#include <iterator>

namespace velmora::CuratedPalettes {
namespace {

struct Entry {
    const char* id;
    const char* name;
    const char* foreground;
    const char* background;
    const char* cursor;
    const char* ansi; // 16 colours separated by spaces
};

// clang-format off
constexpr Entry catalogue[] = {
    {"solarized-dark", "Solarized Dark", "#93a1a1", "#002b36", "#93a1a1",
     "#073642 #dc322f #859900 #b58900 #268bd2 #d33682 #2aa198 #eee8d5 #586e75 #cb4b16 #586e75 #657b83 #839496 #6c71c4 #93a1a1 #fdf6e3"},
    {"solarized-light", "Solarized Light", "#586e75", "#fdf6e3", "#586e75",
     "#073642 #dc322f #859900 #b58900 #268bd2 #d33682 #2aa198 #eee8d5 #002b36 #cb4b16 #586e75 #657b83 #839496 #6c71c4 #93a1a1 #fdf6e3"},
    {"dracula", "Dracula", "#f8f8f2", "#282a36", "#f8f8f0",
     "#21222c #ff5555 #50fa7b #f1fa8c #bd93f9 #ff79c6 #8be9fd #f8f8f2 #6272a4 #ff6e6e #69ff94 #ffffa5 #d6acff #ff92df #a4ffff #ffffff"},
    {"nord", "Nord", "#d8dee9", "#2e3440", "#d8dee9",
     "#3b4252 #bf616a #a3be8c #ebcb8b #81a1c1 #b48ead #88c0d0 #e5e9f0 #4c566a #bf616a #a3be8c #ebcb8b #81a1c1 #b48ead #8fbcbb #eceff4"},
    {"gruvbox-dark", "Gruvbox Dark", "#ebdbb2", "#282828", "#ebdbb2",
     "#282828 #cc241d #98971a #d79921 #458588 #b16286 #689d6a #a89984 #928374 #fb4934 #b8bb26 #fabd2f #83a598 #d3869b #8ec07c #ebdbb2"},
    {"gruvbox-light", "Gruvbox Light", "#3c3836", "#fbf1c7", "#3c3836",
     "#fbf1c7 #cc241d #98971a #d79921 #458588 #b16286 #689d6a #7c6f64 #928374 #9d0006 #79740e #b57614 #076678 #8f3f71 #427b58 #3c3836"},
    {"monokai", "Monokai", "#f8f8f2", "#272822", "#f8f8f0",
     "#272822 #f92672 #a6e22e #f4bf75 #66d9ef #ae81ff #a1efe4 #f8f8f2 #75715e #f92672 #a6e22e #f4bf75 #66d9ef #ae81ff #a1efe4 #f9f8f5"},
    {"tomorrow-night", "Tomorrow Night", "#c5c8c6", "#1d1f21", "#c5c8c6",
     "#1d1f21 #cc6666 #b5bd68 #f0c674 #81a2be #b294bb #8abeb7 #c5c8c6 #969896 #cc6666 #b5bd68 #f0c674 #81a2be #b294bb #8abeb7 #ffffff"},
    {"one-dark", "One Dark", "#abb2bf", "#282c34", "#abb2bf",
     "#282c34 #e06c75 #98c379 #e5c07b #61afef #c678dd #56b6c2 #abb2bf #5c6370 #e06c75 #98c379 #e5c07b #61afef #c678dd #56b6c2 #ffffff"},
    {"tokyo-night", "Tokyo Night", "#c0caf5", "#1a1b26", "#c0caf5",
     "#15161e #f7768e #9ece6a #e0af68 #7aa2f7 #bb9af7 #7dcfff #a9b1d6 #414868 #f7768e #9ece6a #e0af68 #7aa2f7 #bb9af7 #7dcfff #c0caf5"},
    {"catppuccin-mocha", "Catppuccin Mocha", "#cdd6f4", "#1e1e2e", "#f5e0dc",
     "#45475a #f38ba8 #a6e3a1 #f9e2af #89b4fa #f5c2e7 #94e2d5 #bac2de #585b70 #f38ba8 #a6e3a1 #f9e2af #89b4fa #f5c2e7 #94e2d5 #a6adc8"},
    {"catppuccin-latte", "Catppuccin Latte", "#4c4f69", "#eff1f5", "#dc8a78",
     "#5c5f77 #d20f39 #40a02b #df8e1d #1e66f5 #ea76cb #179299 #acb0be #6c6f85 #d20f39 #40a02b #df8e1d #1e66f5 #ea76cb #179299 #bcc0cc"},
    {"rose-pine", "Rosé Pine", "#e0def4", "#191724", "#524f67",
     "#26233a #eb6f92 #31748f #f6c177 #9ccfd8 #c4a7e7 #ebbcba #e0def4 #6e6a86 #eb6f92 #31748f #f6c177 #9ccfd8 #c4a7e7 #ebbcba #e0def4"},
    {"ayu-dark", "Ayu Dark", "#bfbdb6", "#0b0e14", "#e6b450",
     "#01060e #ea6c73 #91b362 #f9af4f #53bdfa #fae994 #90e1c6 #c7c7c7 #686868 #f07178 #c2d94c #ffb454 #59c2ff #ffee99 #95e6cb #ffffff"},
    {"github-dark", "GitHub Dark", "#c9d1d9", "#0d1117", "#c9d1d9",
     "#484f58 #ff7b72 #3fb950 #d29922 #58a6ff #bc8cff #39c5cf #b1bac4 #6e7681 #ffa198 #56d364 #e3b341 #79c0ff #d2a8ff #56d4dd #f0f6fc"},
    {"github-light", "GitHub Light", "#24292f", "#ffffff", "#24292f",
     "#24292f #cf222e #116329 #4d2d00 #0969da #8250df #1b7c83 #6e7781 #57606a #a40e26 #1a7f37 #633c01 #218bff #a475f9 #3192aa #8c959f"},
    {"material-oceanic", "Material Oceanic", "#b0bec5", "#0f111a", "#ffcc00",
     "#1f2233 #ff5370 #c3e88d #ffcb6b #82aaff #c792ea #89ddff #b0bec5 #546e7a #ff5370 #c3e88d #ffcb6b #82aaff #c792ea #89ddff #ffffff"},
    {"phosphor-green", "Green Phosphor", "#00ff41", "#0a0f0a", "#00ff66",
     "#0a0f0a #008f20 #00ff41 #b5ff55 #229966 #5be0a8 #66ffaa #a0ffb0 #1d331d #00ff66 #00ffaa #eaffc0 #33bb77 #70ffcc #a5ffdd #e0ffe8"},
    {"phosphor-amber", "Amber Phosphor", "#ffb000", "#1a0e00", "#ffc947",
     "#1a0e00 #b36b00 #ffb000 #ffcc4d #805000 #cc8800 #ffc266 #ffd9a0 #4d2c00 #ff9900 #ffc233 #ffe08a #b37a1f #ffaa33 #ffd699 #fff0d6"},
    {"phosphor-blue", "Blue Phosphor", "#3ff0ff", "#001020", "#66ffff",
     "#001020 #1a6680 #3ff0ff #99f5ff #1f8fb3 #52c8e6 #66ffff #b3f7ff #0d3347 #2bb8d9 #7ff5ff #ccfaff #3aa8d9 #7fdcff #a6ffff #e6fdff"},
    {"hacker-matrix", "Hacker Matrix", "#00ff41", "#000000", "#22ff88",
     "#000000 #007a1f #00ff41 #9cff57 #008f11 #00cc66 #33ff99 #b3ffc6 #0d330d #00b32c #22ff88 #d4ff8f #00aa3a #38e08a #80ffbf #e6ffe6"},
    {"ibm-dos", "IBM DOS", "#aaaaaa", "#000000", "#ffffff",
     "#000000 #aa0000 #00aa00 #aa5500 #0000aa #aa00aa #00aaaa #aaaaaa #555555 #ff5555 #55ff55 #ffff55 #5555ff #ff55ff #55ffff #ffffff"},
    {"c64", "Commodore 64", "#7a7aff", "#3e3eb0", "#a6a6ff",
     "#000000 #880000 #00cc55 #dd8855 #6c5eb5 #cc44cc #aaffee #bbbbbb #777777 #ff7777 #aaff66 #eeee77 #0088ff #ff88ff #ccfff5 #ffffff"},
    {"apple-ii", "Apple II", "#aaffaa", "#000000", "#ccffcc",
     "#000000 #dd0033 #11dd00 #ff6600 #2222ff #dd22dd #44ccbb #aaaaaa #555555 #ff9988 #aaffaa #ffff00 #66aaff #ff77ff #44ff99 #ffffff"},
    {"synthwave", "Synthwave '84", "#f8f8f2", "#241b2f", "#ff7edb",
     "#34294f #fe4450 #72f1b8 #fede5d #6e95ff #ff7edb #36f9f6 #f8f8f2 #614d85 #f97e72 #a3f7cf #fff383 #8fb2ff #ffa3e8 #8ffcfa #ffffff"},
    {"vaporwave", "Vaporwave", "#ffccff", "#2c1b47", "#ff6ec7",
     "#3d2960 #ff6ec7 #78f5c8 #fff38a #7a8cff #c77dff #7deeff #ffccff #6b5394 #ff99d8 #a6ffdf #fff9b8 #a8b5ff #dea8ff #b0f6ff #ffffff"},
    {"miami-sunset", "Miami Sunset", "#ffe5f1", "#21112b", "#ff3b9a",
     "#3a1f4a #ff3b6b #3ef0b0 #ffb347 #5a7dff #ff3b9a #3fd7e6 #ffe5f1 #6a4a7e #ff7095 #7af7c9 #ffd27f #8fa6ff #ff7ab8 #86ecf5 #ffffff"},
    {"hotdog-stand", "Hotdog Stand", "#ffffff", "#d10000", "#ffff00",
     "#000000 #ffaaaa #ffff00 #ffd700 #400000 #ffccee #fff7b3 #ffffff #550000 #ffd5d5 #ffff80 #ffec80 #800000 #ffe0f0 #fffbd6 #ffffff"},
    {"cherry-blossom", "Cherry Blossom", "#4a2c3a", "#fff0f5", "#d63b7c",
     "#4a2c3a #d63b5c #5a8f4e #b8860b #4a6fa5 #d63b7c #3a8f8f #e8d0da #8a6b78 #e8607a #76a866 #d4a017 #6b8fc7 #e86fa0 #5aafaf #fff8fb"},
    {"high-contrast", "High Contrast", "#ffffff", "#000000", "#ffff00",
     "#000000 #ff0000 #00ff00 #ffff00 #0080ff #ff00ff #00ffff #ffffff #808080 #ff5555 #55ff55 #ffff55 #5599ff #ff55ff #55ffff #ffffff"},
    {"paperwhite", "Paper White", "#222222", "#fbf9f4", "#444444",
     "#222222 #b3261e #2e7d32 #8d6e00 #1e5aa8 #8e3a9e #00796b #d6d3cc #666666 #d64541 #43a047 #b08a00 #3f7fd1 #ab47bc #26a69a #ffffff"},
    {"deep-ocean", "Deep Ocean", "#8ce6ff", "#0a1a2a", "#25ffbd",
     "#0f2a40 #ff5f6d #25ffbd #ffd166 #3a86ff #b388ff #4dd0e1 #8ce6ff #2e5470 #ff8a94 #7affd6 #ffe199 #74a9ff #d1b3ff #8ce9f2 #e6f9ff"},
    {"forest", "Forest", "#d8d6c8", "#1a201d", "#b3cc4c",
     "#26302b #c25d4a #8fae3d #d6b24c #5f8a9e #a07aa0 #5fa38a #d8d6c8 #4a5a52 #e07a64 #b3cc4c #e8ca6e #82aec2 #c29bc2 #85c9ae #f2f0e4"},
    {"midnight-purple", "Midnight Purple", "#e4d6ff", "#160c24", "#c084fc",
     "#24163a #ff5c8a #7ee0a8 #f5c97a #7a8cff #c084fc #67d4f0 #e4d6ff #4a3766 #ff87aa #a3f0c4 #f9dca3 #a3b0ff #d8b4fe #9ee3f5 #f7f2ff"},
    {"palenight", "Palenight", "#a6accd", "#292d3e", "#ffcc00",
     "#292d3e #f07178 #c3e88d #ffcb6b #82aaff #c792ea #89ddff #d0d0d0 #434758 #ff8b92 #ddffa7 #ffe585 #9cc4ff #e1acff #a3f7ff #ffffff"},
    {"monokai-pro", "Monokai Pro", "#fcfcfa", "#2d2a2e", "#ffd866",
     "#403e41 #ff6188 #a9dc76 #ffd866 #fc9867 #ab9df2 #78dce8 #fcfcfa #727072 #ff6188 #a9dc76 #ffd866 #fc9867 #ab9df2 #78dce8 #fcfcfa"},
    {"everforest-dark", "Everforest Dark", "#d3c6aa", "#2d353b", "#a7c080",
     "#4b565c #e67e80 #a7c080 #dbbc7f #7fbbb3 #d699b6 #83c092 #d3c6aa #859289 #e67e80 #a7c080 #dbbc7f #7fbbb3 #d699b6 #83c092 #e4e1cd"},
    {"everforest-light", "Everforest Light", "#5c6a72", "#fdf6e3", "#8da101",
     "#5c6a72 #f85552 #8da101 #dfa000 #3a94c5 #df69ba #35a77c #e0dcc7 #939f91 #f85552 #8da101 #dfa000 #3a94c5 #df69ba #35a77c #f4f0d9"},
    {"kanagawa", "Kanagawa", "#dcd7ba", "#1f1f28", "#c8c093",
     "#090618 #c34043 #76946a #c0a36e #7e9cd8 #957fb8 #6a9589 #c8c093 #727169 #e82424 #98bb6c #e6c384 #7fb4ca #938aa9 #7aa89f #dcd7ba"},
    {"oceanic-next", "Oceanic Next", "#d8dee9", "#1b2b34", "#6699cc",
     "#1b2b34 #ec5f67 #99c794 #fac863 #6699cc #c594c5 #5fb3b3 #c0c5ce #65737e #ec5f67 #99c794 #fac863 #6699cc #c594c5 #5fb3b3 #d8dee9"},
    {"zenburn", "Zenburn", "#dcdccc", "#3f3f3f", "#9ab8d7",
     "#4d4d4d #705050 #60b48a #f0dfaf #506070 #dc8cc3 #8cd0d3 #dcdccc #709080 #dca3a3 #c3bf9f #e0cf9f #94bff3 #ec93d3 #93e0e3 #ffffff"},
    {"iceberg", "Iceberg", "#c6c8d1", "#161821", "#84a0c6",
     "#1e2132 #e27878 #b4be82 #e2a478 #84a0c6 #a093c7 #89b8c2 #c6c8d1 #6b7089 #e98989 #c0ca8e #e9b189 #91acd1 #ada0d3 #95c4ce #d2d4de"},
    {"horizon", "Horizon", "#cbced0", "#1c1e26", "#e95678",
     "#16161c #e95678 #29d398 #fab795 #26bbd9 #ee64ac #59e1e3 #d5d8da #5b5858 #ec6a88 #3fdaa4 #fbc3a7 #3fc4de #f075b5 #6be4e6 #d5d8da"},
    {"night-owl", "Night Owl", "#d6deeb", "#011627", "#80a4c2",
     "#011627 #ef5350 #22da6e #addb67 #82aaff #c792ea #21c7a8 #ffffff #575656 #ef5350 #22da6e #ffeb95 #82aaff #c792ea #7fdbca #ffffff"},
    {"cobalt2", "Cobalt2", "#ffffff", "#193549", "#ffc600",
     "#000000 #ff0000 #38de21 #ffe50a #1460d2 #ff005d #00bbbb #bbbbbb #555555 #f40e17 #3bd01d #edc809 #5555ff #ff55ff #6ae3fa #ffffff"},
    {"dark-plus", "Dark+ (VS Code)", "#cccccc", "#1e1e1e", "#aeafad",
     "#000000 #cd3131 #0dbc79 #e5e510 #2472c8 #bc3fbc #11a8cd #e5e5e5 #666666 #f14c4c #23d18b #f5f543 #3b8eea #d670d6 #29b8db #e5e5e5"},
    {"xcode-dark", "Xcode Dark", "#d8dee9", "#1f1f24", "#ff8170",
     "#414453 #ff8170 #78c2b3 #d9c97c #4eb0cc #ff7ab2 #b281eb #dfdfe0 #7f8c98 #ff8170 #acf2e4 #ffa14f #6bdfff #ff7ab2 #dabaff #dfdfe0"},
    {"base16-default-dark", "Base16 Default Dark", "#d8d8d8", "#181818", "#d8d8d8",
     "#181818 #ab4642 #a1b56c #f7ca88 #7cafc2 #ba8baf #86c1b9 #d8d8d8 #585858 #ab4642 #a1b56c #f7ca88 #7cafc2 #ba8baf #86c1b9 #f8f8f8"},
    {"olivine", "Olivine", "#e6dbb8", "#282820", "#e6b450",
     "#33332a #c8644b #9aab4f #e6b450 #6f8fa0 #a67f9e #7aa893 #e6dbb8 #5c5c4a #e0826a #b8c96c #f0cc7a #93b0bf #c4a0bb #9cc7b3 #f7f0dc"},
    {"phosphor-red", "Red Phosphor", "#ff5555", "#1a0000", "#ff7777",
     "#1a0000 #cc2222 #ff5555 #ff8866 #992233 #e04466 #ff7788 #ffb0b0 #4d1111 #ff3333 #ff7777 #ffaa99 #bb3344 #ff6688 #ff99a5 #ffe0e0"},
    {"phosphor-cyan", "Cyan Phosphor", "#66ffff", "#002020", "#99ffff",
     "#002020 #2a8f8f #66ffff #aaffee #1f7a99 #55c8dd #66ffee #b0ffff #0d4040 #40b0b0 #99ffff #ccfff5 #3399bb #77ddee #a5fff5 #e0ffff"},
    {"phosphor-white", "White Phosphor", "#d0d0d0", "#0a0a0a", "#ffffff",
     "#0a0a0a #8a8a8a #b0b0b0 #c8c8c8 #7a7a7a #9a9a9a #bababa #d0d0d0 #3a3a3a #a8a8a8 #cccccc #e0e0e0 #989898 #b8b8b8 #d8d8d8 #ffffff"},
    {"amber-monochrome", "Amber Monochrome", "#ffa500", "#1e0f00", "#ffd580",
     "#1e0f00 #b35c00 #ffa500 #ffc04d #8a5200 #cc7a00 #ffb84d #ffd9a0 #4d2a00 #e07b00 #ffb733 #ffd580 #a86a10 #e69520 #ffcc80 #fff0d9"},
    {"atari-800", "Atari 800", "#c0bba0", "#333322", "#eebb66",
     "#333322 #c4553d #6ea043 #d8b04c #4c6fb8 #a35ba8 #4aa6a0 #c0bba0 #66664d #e07a60 #92c466 #eebb66 #7592d6 #c680c9 #74c8c2 #f0ecd8"},
    {"zx-spectrum", "ZX Spectrum", "#ffffff", "#000000", "#00ffff",
     "#000000 #d70000 #00d700 #d7d700 #0000d7 #d700d7 #00d7d7 #d7d7d7 #555555 #ff0000 #00ff00 #ffff00 #0000ff #ff00ff #00ffff #ffffff"},
    {"borland", "Turbo Pascal", "#ffff55", "#0000aa", "#ffffff",
     "#000000 #aa0000 #00aa00 #aa5500 #0000aa #aa00aa #00aaaa #aaaaaa #555555 #ff5555 #55ff55 #ffff55 #5555ff #ff55ff #55ffff #ffffff"},
    {"nextstep", "NeXTSTEP", "#d8d8d8", "#2a2d34", "#cccccc",
     "#1e2026 #c75a5a #7fa86b #d1b873 #6a8bc2 #a67cc2 #6bb0b0 #d8d8d8 #555a66 #e07f7f #a0c98c #e6d294 #8eaae0 #c49ee0 #8ed0d0 #ffffff"},
    {"gameboy-dmg", "Game Boy DMG", "#306230", "#0f380f", "#8bac0f",
     "#0f380f #306230 #558f30 #8bac0f #306230 #558f30 #8bac0f #9bbc0f #1e4823 #407642 #6fa341 #a8c030 #407642 #6fa341 #a8c030 #cbde44"},
    {"mac-classic", "Macintosh Classic", "#000000", "#d2d2cb", "#000000",
     "#000000 #a11a1a #1f7a1f #7a6100 #1a3fa1 #7a1f7a #1a7070 #a0a098 #555555 #cc3333 #339933 #998000 #3355cc #993399 #339999 #ffffff"},
    {"cyberpunk-2077", "Cyberpunk 2077", "#f9f002", "#0a0a0a", "#00f0ff",
     "#1a1a1a #ff003c #00ff9f #f9f002 #2d5bff #d600ff #00f0ff #e0e0e0 #4d4d4d #ff4d6d #5cffbe #fcf75e #5c85ff #e45cff #66f6ff #ffffff"},
    {"tron-legacy", "Tron Legacy", "#aec2e0", "#061b2b", "#6ee2ff",
     "#0b2a40 #ff6b3d #4de0b0 #ffd36b #3d9cff #b07aff #6ee2ff #aec2e0 #2a4d66 #ff9166 #80f0cc #ffe399 #73b8ff #c9a3ff #a3efff #e6f4ff"},
    {"bladerunner", "Blade Runner", "#ffc978", "#140a00", "#ff8a00",
     "#261400 #e0452b #5fb08a #ffc978 #2f7fa8 #c25a8a #3fb5c2 #f0dcc0 #5a3c1e #ff6a4d #85d1ad #ffdc9e #55a3cc #e07aaa #6ad6e0 #fff3e0"},
    {"hotline-miami", "Hotline Miami", "#f0c6ff", "#0d0d20", "#ff3cad",
     "#1d1d3a #ff3c6e #3cffb4 #ffd23c #3c8cff #ff3cad #3ce6ff #f0c6ff #4a4a73 #ff7096 #7affcc #ffe27a #7ab0ff #ff7ac6 #7aefff #ffffff"},
    {"aurora-borealis", "Aurora Borealis", "#cfe9e0", "#0a1824", "#88f0b1",
     "#132a3a #e06c8a #88f0b1 #e8d77a #5b9bd5 #b48ee0 #5ed6d0 #cfe9e0 #34506a #f08fa8 #b0f7cd #f2e5a3 #87b8e6 #ccb0ee #8ce6e1 #effaf6"},
    {"sakura", "Sakura", "#ffe0ee", "#1a0a15", "#ffb6d5",
     "#2e1426 #ff6b8b #9ed9a0 #ffd59e #8fa8ff #ffb6d5 #8fd9e0 #ffe0ee #5c3552 #ff94ad #bfe8c0 #ffe4bf #b3c4ff #ffd1e6 #b3e8ee #fff5fa"},
    {"coral-reef", "Coral Reef", "#e8fbf5", "#06323a", "#ff7e68",
     "#0b4550 #ff7e68 #5fe0a0 #ffd36e #3fa7d6 #e08ac6 #3fe0d0 #e8fbf5 #2a6a75 #ffa390 #8cf0c0 #ffe39e #70c2e8 #f0b0dc #80f0e6 #ffffff"},
    {"lavender-fields", "Lavender Fields", "#ece0ff", "#181226", "#b79eff",
     "#261d3b #f07a9a #9ee0a8 #f2d58c #8c9eff #b79eff #8cd8e8 #ece0ff #4d3f6b #f5a0b8 #bfecc6 #f7e4b3 #b3c0ff #d4c4ff #b3e6f0 #faf6ff"},
    {"volcanic", "Volcanic", "#ffd9ae", "#130804", "#ff5a2c",
     "#2a140a #ff5a2c #a8b84a #ffb02e #6b7fa8 #c7527a #6fa8a0 #ffd9ae #5c3422 #ff8558 #c6d470 #ffc966 #93a3c7 #e07a9c #95c7bf #fff0dd"},
    {"arctic-tundra", "Arctic Tundra", "#e8f2fa", "#0e1824", "#8cc0ff",
     "#1a2838 #e07a85 #8fd1a8 #e8d08a #8cc0ff #b8a3e8 #7fd8e8 #e8f2fa #3d5066 #f0a0a8 #b3e6c6 #f2e2b0 #b3d6ff #d0c2f2 #a8e8f2 #ffffff"},
    {"sepia", "Sepia Terminal", "#3c2e1e", "#f4e8d0", "#7c5a2e",
     "#3c2e1e #9c3b2a #5f6e2a #8f6a1e #3f5a78 #7f4a6a #3f7068 #d8c8a8 #7c6a52 #b8523a #7a8a3a #b0862a #56739a #9c6488 #568c82 #fbf4e4"},
    {"parchment", "Parchment", "#3a2e1c", "#ecd9b0", "#6e5118",
     "#3a2e1c #8f2a1a #4f6420 #6e5118 #2f4a70 #6f3a60 #2f665c #c9b68c #6e5e44 #ad4030 #6b8030 #946c20 #46648f #8c5480 #46827a #f7ecd2"},
    {"desert-sand", "Desert Sand", "#4a2c18", "#e8c99a", "#a6530f",
     "#4a2c18 #a6300f #5c6a1f #a6530f #2f5470 #84405f #2f6e66 #c7a878 #7a5a3c #c84a22 #7a8a2e #c4731e #466f8f #a0587a #468a80 #f5e2c2"},
    {"ink-paper", "Ink & Paper", "#111111", "#f5f0e4", "#333333",
     "#111111 #a32020 #2f6b2f #7a5c00 #203f80 #6b2f6b #1f6666 #cfc9bb #555555 #c83a3a #3f8a3f #a07a10 #3358a8 #8a4a8a #2f8888 #ffffff"},
    {"graphite", "Graphite", "#dfe1e8", "#2d3139", "#a1a9b5",
     "#3a3f4a #d67a7a #9cc28f #d9c48c #7f9cc9 #b394c4 #7fbcc2 #dfe1e8 #5c6370 #e89999 #b5d6a8 #e6d6ad #a1b8de #ccb3d9 #a1d3d8 #f5f6f8"},
    {"dusk", "Dusk", "#efe3d4", "#2a1c1f", "#ffb45c",
     "#3a2a2e #e0606a #9cc47a #ffb45c #7a8ec7 #c78ab0 #7ab8b0 #efe3d4 #634d52 #f08a90 #b8d89c #ffcb8a #a0b0dd #dcaac8 #a0d0ca #fbf5ee"},
    {"neon-tokyo", "Neon Tokyo", "#f3f1ff", "#0a0417", "#ff2a6d",
     "#1a1033 #ff2a6d #05ffa1 #fffc58 #3c5cff #c74ded #01c5ff #f3f1ff #45386b #ff6b98 #6bffc6 #fffd94 #7a90ff #db85f5 #66dcff #ffffff"},
    {"rust", "Rust", "#ffd7a8", "#2a150a", "#ff7f40",
     "#3d2014 #e0502a #9aaa50 #ffb347 #6a88a8 #b86a80 #6aa39a #ffd7a8 #6b4330 #ff7f40 #bac46f #ffcb7a #92abc4 #d48fa3 #93c2ba #fff0e0"},
    {"kimono", "Kimono", "#efe8d0", "#1c0f0c", "#cc3c3c",
     "#2e1a16 #cc3c3c #7a9a5a #d9a441 #3e5f8a #9a4a78 #4a8a84 #efe8d0 #5c403a #e06666 #9cbc7a #e8c06a #6a88b0 #bb709c #70aaa4 #faf6ea"},
    {"dragon", "Dragon", "#ffce5a", "#1a0605", "#ff3d2e",
     "#2e0e0c #ff3d2e #8fb040 #ffce5a #5a6ea8 #c04a6a #4aa08a #f2e0c0 #5c2a26 #ff6e5c #b0d066 #ffe08f #8a9cd0 #e07894 #74c4ae #fff5e0"},
    {"laser-green", "Laser Green", "#b0ffb0", "#000000", "#00ff00",
     "#000000 #00a000 #00ff00 #b0ff60 #008060 #40d080 #60ffb0 #b0ffb0 #1a4d1a #30c030 #66ff66 #d0ff99 #30a080 #70e0a0 #99ffcc #e6ffe6"},
    {"matte", "Matte", "#cfd0d2", "#21242b", "#8fa1b3",
     "#2c3038 #bf6b6b #8fae86 #c9b07a #7d93b0 #a68db0 #7aa8ad #cfd0d2 #545a66 #d18a8a #a8c49f #dbc79a #8fa1b3 #bda8c7 #9ac2c6 #eceef0"},
    {"winter-ice", "Winter Ice", "#e4f0fb", "#0b141c", "#90cdf4",
     "#16222e #e87a8a #8fd4b0 #e8d28f #90cdf4 #b7a6ee #7fe0e8 #e4f0fb #3a4c5e #f09eaa #b3e6cc #f2e3b3 #b8e0fa #d0c4f5 #a8edf2 #ffffff"},
    {"autumn-harvest", "Autumn Harvest", "#fae4c0", "#241410", "#e8a145",
     "#36201a #d9542b #9aa845 #e8a145 #6b7fa0 #b0607a #6a9c8a #fae4c0 #65453a #f07a4f #bac46a #f5c070 #93a3bf #cc849c #91bfae #fff4e2"},
    {"emerald-city", "Emerald City", "#e7fff0", "#062418", "#5fdf9f",
     "#0d3626 #e0605a #5fdf9f #d8d86a #4a9ad0 #b07ad0 #4ad0c0 #e7fff0 #2a5a46 #f0877f #8cefbf #e8e896 #7ab8e6 #ca9ee6 #7ae6da #ffffff"},
    {"mauve-mist", "Mauve Mist", "#ede5f2", "#1a1420", "#d9a3e8",
     "#2a2132 #e07a8e #a3d1a0 #e8cf94 #8fa0e0 #d9a3e8 #8fcfd6 #ede5f2 #524560 #eba0b0 #c0e3be #f2e0b8 #b3c0ee #e8c4f2 #b3e0e6 #faf7fc"},
    {"starlight", "Starlight", "#f0eaff", "#08041a", "#ffd480",
     "#17102e #ff6b8a #7ee8b0 #ffd480 #6e8cff #c08aff #6ed8ff #f0eaff #3e3566 #ff94ab #a8f0ca #ffe3a8 #9eb2ff #d8b3ff #a0e6ff #ffffff"},
};
// clang-format on

QList<CuratedPalette> build()
{
    QList<CuratedPalette> palettes;
    palettes.reserve(std::size(catalogue));
    for (const Entry& entry : catalogue) {
        palettes.append(CuratedPalette{
            QString::fromUtf8(entry.id),
            QString::fromUtf8(entry.name),
            QString::fromUtf8(entry.foreground),
            QString::fromUtf8(entry.background),
            QString::fromUtf8(entry.cursor),
            QString::fromUtf8(entry.ansi).split(QLatin1Char(' '), Qt::SkipEmptyParts),
        });
    }
    return palettes;
}

} // namespace

const QList<CuratedPalette>& all()
{
    static const QList<CuratedPalette> palettes = build();
    return palettes;
}

std::optional<CuratedPalette> byId(const QString& id)
{
    for (const CuratedPalette& palette : all()) {
        if (palette.id == id)
            return palette;
    }
    return std::nullopt;
}

CuratedPalette random(const std::optional<QString>& excluding)
{
    QList<const CuratedPalette*> candidates;
    for (const CuratedPalette& palette : all()) {
        if (!excluding || palette.id != *excluding)
            candidates.append(&palette);
    }
    if (candidates.isEmpty())
        return all().first();
    return *candidates[QRandomGenerator::global()->bounded(static_cast<int>(candidates.size()))];
}

} // namespace velmora::CuratedPalettes
