// Draws a picture source into a BMP (24-bit), PNG or ICO file.
//   tev_picture --font FONT [--png-alpha] [--sprite NAME] [--header H --namespace NS] -o OUT.bmp|.png|.ico SOURCE
// --sprite cuts a PNG to that sprite region (the installed program's icons
// are the window icon's sprites).
// --header also writes a C++ header naming every sprite region as a
// tev::Rect constant k<Name> in namespace NS, so coordinates live in the
// picture source only.
// For ICO files every sprite whose name starts with "icon" becomes one image;
// background pixels become transparent.
#include <algorithm>
#include <cctype>
#include <sstream>

#include "tools/toolkit/image.h"
#include "tools/toolkit/picture.h"
#include "tools/toolkit/tool_main.h"

using namespace tevtools;

namespace {

// "big_arrow-up" -> "kBigArrowUp".
std::string ConstantName(const std::string& sprite) {
    std::string out = "k";
    bool upper = true;
    for (char c : sprite) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            upper = true;
            continue;
        }
        out += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        upper = false;
    }
    return out;
}

void WriteSpriteHeader(const Picture& pic, const std::string& path, const std::string& ns,
                       const std::string& source) {
    std::ostringstream h;
    h << "// Generated from " << source << " by tev_picture: edit the picture source.\n"
      << "#pragma once\n#include \"games/kit/tev_game.h\"\n\nnamespace " << ns << " {\n\n";
    std::vector<std::string> seen;
    for (const SpriteRegion& s : pic.sprites) {
        const std::string name = ConstantName(s.name);
        for (const std::string& other : seen)
            if (other == name) throw SourceError(source + ": two sprites are both named " + name);
        seen.push_back(name);
        h << "inline constexpr tev::Rect " << name << "{" << s.x << ", " << s.y << ", " << s.w << ", " << s.h
          << "};\n";
    }
    h << "\n}  // namespace " << ns << "\n";
    const std::string text = h.str();
    SaveFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace

int main(int argc, char** argv) {
    return RunTool("tev_picture", argc, argv, {"--font", "--header", "--namespace", "--sprite"}, [](const ToolArgs& args) {
        PixelFont font;
        bool haveFont = false;
        if (!args.Option("--font").empty()) {
            font = PixelFont::Parse(ReadWholeFile(args.Option("--font")), args.Option("--font"));
            haveFont = true;
        }
        Picture pic = RunPicture(ReadWholeFile(args.source), args.source, haveFont ? &font : nullptr);
        if (!args.Option("--header").empty())
            WriteSpriteHeader(pic, args.Option("--header"), args.Option("--namespace", "sprites"), args.source);
        std::string ext = LowerExtension(args.output);
        if (ext == "bmp") {
            SaveFile(args.output, EncodeBmp24(pic.image));
        } else if (ext == "png") {
            Image im = pic.image;
            if (!args.Option("--sprite").empty()) {
                const std::string name = args.Option("--sprite");
                const auto it = std::find_if(pic.sprites.begin(), pic.sprites.end(),
                                             [&](const SpriteRegion& s) { return s.name == name; });
                if (it == pic.sprites.end()) throw SourceError(args.source + ": no sprite named " + name);
                im = pic.image.Crop(it->x, it->y, it->w, it->h);
            }
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
