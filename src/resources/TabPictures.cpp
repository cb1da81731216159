// The pictures of the three image-only tabs (16 x 36, 8 bits per pixel) and
// the application icon. The tabs carry no text, so each picture spells its
// page: MAIN; a ticked box over OPT; a command prompt over CON.
#include <cstddef>

#include "resources/Resources.h"

namespace {

// Palette letters: '.' tab face, 'k' black, 'w' white, 'g' green,
// 'b' dark screen, 'm' blue, 'o' dark green, 'c' dark red, 'y' yellow.
const uint32_t kPalette[] = {0xC0C0C0, 0x000000, 0xFFFFFF, 0x00A000, 0x102040,
                             0x0000A0, 0x006000, 0x900000, 0xF0C000};
constexpr char kPaletteLetters[] = ".kwgbmocy";

constexpr int kTabWidth = 16;
constexpr int kTabHeight = 36;
constexpr int kIconSize = 16;

const char* const kMainArt[kTabHeight] = {
    "................", "................", "................", ".....m....m.....",
    ".....mm..mm.....", ".....m.mm.m.....", ".....m.mm.m.....", ".....m....m.....",
    ".....m....m.....", ".....m....m.....", "................", "......mmmm......",
    ".....mm..mm.....", ".....mm..mm.....", ".....mmmmmm.....", ".....mm..mm.....",
    ".....mm..mm.....", ".....mm..mm.....", "................", ".....mmmmmm.....",
    ".......mm.......", ".......mm.......", ".......mm.......", ".......mm.......",
    ".......mm.......", ".....mmmmmm.....", "................", ".....mm..mm.....",
    ".....mmm.mm.....", ".....mmmmmm.....", ".....mmmmmm.....", ".....mm.mmm.....",
    ".....mm..mm.....", ".....mm..mm.....", "................", "................",
};

const char* const kOptionArt[kTabHeight] = {
    "................", "....kkkkkkkk....", "....kwwwwwwk....", "....kwwwwwgk....",
    "....kwwwwggk....", "....kgwwggwk....", "....kggggwwk....", "....kwggwwwk....",
    "....kkkkkkkk....", "................", "......oooo......", ".....oo..oo.....",
    ".....oo..oo.....", ".....oo..oo.....", ".....oo..oo.....", ".....oo..oo.....",
    "......oooo......", "................", ".....ooooo......", ".....oo..oo.....",
    ".....oo..oo.....", ".....ooooo......", ".....oo.........", ".....oo.........",
    ".....oo.........", "................", ".....oooooo.....", ".......oo.......",
    ".......oo.......", ".......oo.......", ".......oo.......", ".......oo.......",
    ".......oo.......", "................", "................", "................",
};

const char* const kConsoleArt[kTabHeight] = {
    "................", "...kkkkkkkkkk...", "...kbbbbbbbbk...", "...kbgbbbbbbk...",
    "...kbbgbbbbbk...", "...kbgbbbbbbk...", "...kbbbbgggbk...", "...kbbbbbbbbk...",
    "...kkkkkkkkkk...", "................", "......cccc......", ".....cc..cc.....",
    ".....cc.........", ".....cc.........", ".....cc.........", ".....cc..cc.....",
    "......cccc......", "................", "......cccc......", ".....cc..cc.....",
    ".....cc..cc.....", ".....cc..cc.....", ".....cc..cc.....", ".....cc..cc.....",
    "......cccc......", "................", ".....cc..cc.....", ".....ccc.cc.....",
    ".....cccccc.....", ".....cccccc.....", ".....cc.ccc.....", ".....cc..cc.....",
    ".....cc..cc.....", "................", "................", "................",
};

// A bird of prey's head on a blue tile.
const char* const kIconArt[kIconSize] = {
    "mmmmmmmmmmmmmmmm", "mmmmmmmmmmmmmmmm", "mmmmmyyyyyymmmmm", "mmmmyyyyyyyyymmm",
    "mmmyyykyyyyyyymm", "mmmyyyyyyyyyyymm", "mmyykkkyyyyyyymm", "mmykkmmyyyyyyymm",
    "mmmkmmmyyyyyyymm", "mmmmmmyyyyyyyymm", "mmmmmmyyyyyyyymm", "mmmmmyyyyyyyymmm",
    "mmmmmyyyyyyyymmm", "mmmmyyyyyyyyymmm", "mmmmmmmmmmmmmmmm", "mmmmmmmmmmmmmmmm",
};

uint8_t paletteIndex(char letter) {
    for (size_t i = 0; kPaletteLetters[i]; ++i) {
        if (kPaletteLetters[i] == letter)
            return uint8_t(i);
    }
    return 0;
}

template <size_t W, size_t H>
void fill(uint8_t (&pixels)[W * H], const char* const (&art)[H]) {
    for (size_t y = 0; y < H; ++y) {
        for (size_t x = 0; x < W; ++x)
            pixels[y * W + x] = paletteIndex(art[y][x]);
    }
}

template <size_t W, size_t H>
BitmapResource picture(const uint8_t (&pixels)[W * H]) {
    return BitmapResource{uint16_t(W), uint16_t(H),
                          8,           uint16_t(sizeof kPalette / sizeof kPalette[0]),
                          kPalette,    pixels};
}

template <size_t W, size_t H>
const BitmapResource* makePicture(uint8_t (&pixels)[W * H], const char* const (&art)[H],
                                  BitmapResource& out) {
    fill<W, H>(pixels, art);
    out = picture<W, H>(pixels);
    return &out;
}

}  // namespace

const BitmapResource* mainTabPicture() {
    static uint8_t pixels[kTabWidth * kTabHeight];
    static BitmapResource bitmap;
    static const BitmapResource* made =
        makePicture<kTabWidth, kTabHeight>(pixels, kMainArt, bitmap);
    return made;
}

const BitmapResource* optionTabPicture() {
    static uint8_t pixels[kTabWidth * kTabHeight];
    static BitmapResource bitmap;
    static const BitmapResource* made =
        makePicture<kTabWidth, kTabHeight>(pixels, kOptionArt, bitmap);
    return made;
}

const BitmapResource* consoleTabPicture() {
    static uint8_t pixels[kTabWidth * kTabHeight];
    static BitmapResource bitmap;
    static const BitmapResource* made =
        makePicture<kTabWidth, kTabHeight>(pixels, kConsoleArt, bitmap);
    return made;
}

const BitmapResource* applicationIcon() {
    static uint8_t pixels[kIconSize * kIconSize];
    static BitmapResource bitmap;
    static const BitmapResource* made = makePicture<kIconSize, kIconSize>(pixels, kIconArt, bitmap);
    return made;
}
