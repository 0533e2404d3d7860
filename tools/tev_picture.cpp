// Draws a picture source into a BMP (24-bit), PNG or ICO file.
//   tev_picture --font FONT [--png-alpha] -o OUT.bmp|.png|.ico SOURCE
// For ICO files every sprite whose name starts with "icon" becomes one image;
// background pixels become transparent.
#include <cctype>

#include "tools/toolkit/image.h"
#include "tools/toolkit/picture.h"
#include "tools/toolkit/tool_main.h"

using namespace tevtools;

int main(int argc, char** argv) {
    return RunTool("tev_picture", argc, argv, {"--font"}, [](const ToolArgs& args) {
        PixelFont font;
        bool haveFont = false;
        if (!args.Option("--font").empty()) {
            font = PixelFont::Parse(ReadWholeFile(args.Option("--font")), args.Option("--font"));
            haveFont = true;
        }
        Picture pic = RunPicture(ReadWholeFile(args.source), args.source, haveFont ? &font : nullptr);
        std::string ext = LowerExtension(args.output);
        if (ext == "bmp") {
            SaveFile(args.output, EncodeBmp24(pic.image));
        } else if (ext == "png") {
            Image im = pic.image;
            if (args.Flag("--png-alpha"))
                for (uint32_t& p : im.pixels)
                    if ((p & 0xFFFFFF) == (pic.background & 0xFFFFFF)) p = 0;
            SaveFile(args.output, EncodePng(im, args.Flag("--png-alpha")));
        } else if (ext == "ico") {
            std::vector<Image> icons;
            for (const SpriteRegion& s : pic.sprites) {
                if (s.name.rfind("icon", 0) != 0) continue;
                Image im = pic.image.Crop(s.x, s.y, s.w, s.h);
                for (uint32_t& p : im.pixels)
                    if ((p & 0xFFFFFF) == (pic.background & 0xFFFFFF)) p = 0;
                icons.push_back(im);
            }
            if (icons.empty()) throw SourceError(args.source + ": no sprite named icon... for the icon file");
            SaveFile(args.output, EncodeIco(icons));
        } else {
            throw SourceError(args.output + ": output must end in .bmp, .png or .ico");
        }
    });
}
