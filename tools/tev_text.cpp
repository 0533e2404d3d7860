// Converts a UTF-8 text source to CP932 lines.
//   tev_text [--count] [--comments] [--skip-blank] [--max-bytes N] [--crlf] -o OUT SOURCE
#include <string>

#include "tools/toolkit/image.h"
#include "tools/toolkit/source_text.h"
#include "tools/toolkit/text_codec.h"
#include "tools/toolkit/tool_main.h"

using namespace tevtools;

int main(int argc, char** argv) {
    return RunTool("tev_text", argc, argv, {"--max-bytes"}, [](const ToolArgs& args) {
        TextOptions o;
        o.count = args.Flag("--count");
        o.comments = args.Flag("--comments");
        o.skipBlank = args.Flag("--skip-blank");
        o.crlf = args.Flag("--crlf");
        if (args.Flag("--max-bytes")) o.maxBytes = static_cast<size_t>(ParseInt(args.Option("--max-bytes"), Where{"--max-bytes", 0}));
        std::string out = ConvertText(ReadWholeFile(args.source), args.source, o);
        SaveFile(args.output, std::vector<uint8_t>(out.begin(), out.end()));
    });
}
