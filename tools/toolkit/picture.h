// The picture language: a readable text source that draws one sheet.
//
//   size W H                     canvas size (first command)
//   background COLOUR            fill colour; also the colour-key colour: a
//                                sprite counts as drawn where it differs
//   colour NAME COLOUR           a named colour (usable wherever a colour is)
//   sprite NAME X Y W H          following commands draw inside this box, with
//                                (X, Y) as their origin; the box must end up
//                                holding at least one drawn pixel
//   sheet                        back to whole-sheet coordinates, no clipping
//   rect X Y W H C               filled rectangle
//   frame X Y W H C [T]          rectangle outline, T pixels thick
//   round X Y W H R C            filled rectangle with rounded corners
//   vgrad X Y W H C1 C2          vertical gradient (top C1, bottom C2)
//   hgrad X Y W H C1 C2          horizontal gradient
//   checker X Y W H S C1 C2      checkerboard of S-pixel squares
//   stripes X Y W H P C1 C2      diagonal stripes of period P
//   disc CX CY R C               filled circle
//   ring CX CY R T C             circle outline
//   glow CX CY R C [POWER]       radial falloff to black (for additive sprites)
//   tri X0 Y0 X1 Y1 X2 Y2 C      filled triangle
//   poly C X0 Y0 X1 Y1 ...       filled polygon (even-odd rule)
//   line X0 Y0 X1 Y1 C [T]       line
//   text X Y "STRING" [scale=S] [sx=] [sy=] [fill=C] [fill2=C] [outline=C]
//        [ow=N] [shadow=C] [spacing=N] [align=left|center|right] [w=N]
//                                pixel-font text; {name} in the string is a
//                                named glyph; fill2 makes a top-down gradient
//   outline X Y W H C [N]        grow everything drawn in the box by N pixels
//                                in colour C (onto background pixels only)
//   pal CH COLOUR                palette character for pixel blocks
//   pixels X Y [scale=N]         pixel art: the lines up to "end", one
//                                character per pixel; '.' and ' ' leave the
//                                pixel as it is
//   keep X Y                     the pixel must stay background (colour key)
//
// Colours: #RRGGBB, #RRGGBBAA (blended over what is there) or a name.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tools/toolkit/image.h"
#include "tools/toolkit/source_text.h"

namespace tevtools {

struct Glyph {
    int width = 0;
    std::vector<std::string> rows;  // '#' = ink
};

struct PixelFont {
    int height = 0;
    std::map<std::string, Glyph> glyphs;  // "A", "space", "{up}" style names
    // Font file: "height N", then per glyph "glyph NAME" and N rows of '#'/'.'.
    static PixelFont Parse(const std::string& text, const std::string& fileName);
};

struct SpriteRegion {
    std::string name;
    int x = 0, y = 0, w = 0, h = 0;
};

struct Picture {
    Image image;
    uint32_t background = 0xFF000000;
    std::vector<SpriteRegion> sprites;
};

// Runs a picture source. Throws SourceError naming the file and line on any
// fault, including a sprite left empty or a kept pixel drawn over.
Picture RunPicture(const std::string& source, const std::string& fileName, const PixelFont* font);

// True when the box holds a pixel different from the background.
bool RegionDrawn(const Image& image, uint32_t background, int x, int y, int w, int h);

}  // namespace tevtools
