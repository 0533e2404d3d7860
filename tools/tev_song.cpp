// Turns note data into a format-1 Standard MIDI File (.mid) or a looping WAV
// rendered by the project's synthesizer (.wav).
//   tev_song -o OUT.mid|OUT.wav SOURCE
#include "tools/toolkit/audio_files.h"
#include "tools/toolkit/image.h"
#include "tools/toolkit/synth.h"
#include "tools/toolkit/tool_main.h"

using namespace tevtools;

int main(int argc, char** argv) {
    return RunTool("tev_song", argc, argv, {}, [](const ToolArgs& args) {
        Song song = ParseSong(ReadWholeFile(args.source), args.source);
        std::string ext = LowerExtension(args.output);
        if (ext == "mid") SaveFile(args.output, EncodeMidi(SongToMidi(song), song.loopTicks));
        else if (ext == "wav") SaveFile(args.output, EncodeWav(RenderSong(song)));
        else throw SourceError(args.output + ": output must be a .mid or .wav file");
    });
}
