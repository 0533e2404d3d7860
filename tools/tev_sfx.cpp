// Synthesizes a sound-effect source into a 16-bit PCM WAV file.
//   tev_sfx -o OUT.wav SOURCE
#include "tools/toolkit/audio_files.h"
#include "tools/toolkit/image.h"
#include "tools/toolkit/synth.h"
#include "tools/toolkit/tool_main.h"

using namespace tevtools;

int main(int argc, char** argv) {
    return RunTool("tev_sfx", argc, argv, {}, [](const ToolArgs& args) {
        if (LowerExtension(args.output) != "wav") throw SourceError(args.output + ": output must be a .wav file");
        SaveFile(args.output, EncodeWav(RenderEffect(ReadWholeFile(args.source), args.source)));
    });
}
