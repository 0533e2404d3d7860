#include "tools/toolkit/synth.h"

#include <algorithm>
#include <cmath>

#include "tools/toolkit/source_text.h"

namespace tevtools {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Deterministic noise so that a build always produces the same bytes.
struct Noise {
    uint32_t state;
    explicit Noise(uint32_t seed) : state(seed * 2654435761u + 12345u) {}
    double Next() {
        state = state * 1664525u + 1013904223u;
        return ((state >> 8) & 0xFFFF) / 32767.5 - 1.0;
    }
};

enum class Wave { Square, Triangle, Saw, Sine, Noise };

Wave ParseWave(const std::string& name, const Where& where) {
    if (name == "square") return Wave::Square;
    if (name == "triangle") return Wave::Triangle;
    if (name == "saw") return Wave::Saw;
    if (name == "sine") return Wave::Sine;
    if (name == "noise") return Wave::Noise;
    where.Fail("unknown wave '" + name + "'");
}

// Corrections that turn a naive step or corner, sampled at a fractional time,
// into its band-limited form: the difference between a Kaiser-windowed sinc
// step (cut off at half the rate) and the plain step, and its integral for
// corners of ramps. Added around every edge, they remove what a sampled edge
// folds back below the Nyquist frequency (a two-sample PolyBLEP leaves about
// -30 dB of it on high square and saw notes; the naive triangle and the
// sample-and-hold noise have none at all).
class EdgeTable {
public:
    static constexpr int kHalf = 16;   // samples each side of the edge
    static constexpr int kPoints = 256; // table points per sample

    EdgeTable() {
        const int n = 2 * kHalf * kPoints + 1;
        const double beta = 9.0, dx = 1.0 / kPoints;
        std::vector<double> impulse(n);
        auto bessel0 = [](double x) {
            double sum = 1, term = 1;
            for (int k = 1; k < 40; ++k) {
                term *= (x / (2 * k)) * (x / (2 * k));
                sum += term;
            }
            return sum;
        };
        double area = 0;
        for (int i = 0; i < n; ++i) {
            double x = -kHalf + i * dx, r = x / kHalf;
            double sinc = x == 0 ? 1.0 : std::sin(kPi * x) / (kPi * x);
            impulse[i] = sinc * bessel0(beta * std::sqrt(std::max(0.0, 1 - r * r))) / bessel0(beta);
            area += impulse[i] * dx;
        }
        // The band-limited step is the running integral of the impulse, the
        // band-limited ramp that of the step (trapezoids).
        step_.resize(n);
        ramp_.resize(n);
        for (int i = 1; i < n; ++i) {
            step_[i] = step_[i - 1] + 0.5 * (impulse[i - 1] + impulse[i]) * dx / area;
            ramp_[i] = ramp_[i - 1] + 0.5 * (step_[i - 1] + step_[i]) * dx;
        }
    }
    // Band-limited minus naive, x being the sample's time minus the edge's, in
    // samples; zero beyond kHalf on either side.
    double Step(double x) const {
        if (x <= -kHalf || x >= kHalf) return 0.0;
        return Look(step_, x) - (x >= 0 ? 1.0 : 0.0);
    }
    double Ramp(double x) const {
        if (x <= -kHalf || x >= kHalf) return 0.0;
        return Look(ramp_, x) - std::max(x, 0.0);
    }

private:
    static double Look(const std::vector<double>& t, double x) {
        double at = (x + kHalf) * kPoints;
        size_t i = std::min(static_cast<size_t>(at), t.size() - 2);
        return t[i] + (t[i + 1] - t[i]) * (at - i);
    }
    std::vector<double> step_, ramp_;
};

const EdgeTable& Edges() {
    static const EdgeTable table;
    return table;
}

// One oscillator writing into a buffer: Step adds sample n and the band-limited
// corrections of the edges between samples n and n + 1 to the samples around
// them, so the whole buffer must be rendered before it is filtered or shaped.
struct Oscillator {
    Wave wave = Wave::Square;
    double phase = 0, held = 0, level = 1;
    Noise noise{1};

    void Step(double freq, double duty, int rate, std::vector<double>& out, size_t n) {
        const double dt = std::clamp(freq / rate, 1e-6, 0.45);
        switch (wave) {
            case Wave::Square: out[n] += level; break;
            case Wave::Saw: out[n] += 2.0 * phase - 1.0; break;
            case Wave::Triangle: out[n] += 4.0 * std::fabs(phase - 0.5) - 1.0; break;
            case Wave::Sine: out[n] += std::sin(2 * kPi * phase); break;
            case Wave::Noise: out[n] += held; break;
        }
        const double before = phase;
        phase += dt;
        // Edges inside this sample step, at fraction f of it.
        auto jump = [&](double f, double amount) { AddEdge(out, n + f, amount, false); };
        auto bend = [&](double f, double slopeChange) { AddEdge(out, n + f, slopeChange, true); };
        switch (wave) {
            case Wave::Square:
                // The level follows the steps actually taken, so a swept duty
                // never leaves a step without its correction; a duty that
                // sweeps down past the phase drops the level at once.
                if (level > 0 && phase >= duty) jump(std::max(0.0, (duty - before) / dt), -2.0), level = -1.0;
                if (phase >= 1.0) {
                    jump((1.0 - before) / dt, 1.0 - level), level = 1.0;
                    if (phase - 1.0 >= duty) jump((1.0 + duty - before) / dt, -2.0), level = -1.0;
                }
                break;
            case Wave::Saw:
                if (phase >= 1.0) jump((1.0 - before) / dt, -2.0);
                break;
            case Wave::Triangle:
                // Slopes per sample: -4 dt going down, +4 dt going up.
                if (before < 0.5 && phase >= 0.5) bend((0.5 - before) / dt, 8.0 * dt);
                if (phase >= 1.0) bend((1.0 - before) / dt, -8.0 * dt);
                break;
            case Wave::Noise:
                break;
            case Wave::Sine:
                break;
        }
        if (phase >= 1.0) {
            phase -= 1.0;
            double next = noise.Next();
            if (wave == Wave::Noise) jump((1.0 - before) / dt, next - held);
            held = next;
        }
    }

private:
    static void AddEdge(std::vector<double>& out, double at, double amount, bool ramp) {
        const EdgeTable& t = Edges();
        const long first = std::max<long>(0, static_cast<long>(std::ceil(at - EdgeTable::kHalf)));
        const long last = std::min<long>(static_cast<long>(out.size()) - 1, static_cast<long>(at + EdgeTable::kHalf));
        for (long m = first; m <= last; ++m) out[m] += amount * (ramp ? t.Ramp(m - at) : t.Step(m - at));
    }
};

std::vector<double> ParseList(const std::string& text, const Where& where) {
    std::vector<double> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        out.push_back(ParseReal(text.substr(start, comma - start), where));
        start = comma + 1;
    }
    return out;
}

int16_t ToSample(double v) {
    return static_cast<int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32767.0));
}

double CheckLevel(double level, const Where& where) {
    // Effects and music must leave headroom: never above -1 dBFS.
    if (level > -1.0 || level < -40.0) where.Fail("level must lie between -40 and -1 dBFS");
    return std::pow(10.0, level / 20.0);
}

}  // namespace

PcmSound RenderEffect(const std::string& source, const std::string& fileName) {
    Where where{fileName, 0};
    int rate = 44100;
    double level = -3, length = 0;
    struct Tone {
        Options o;
        Where where;
    };
    std::vector<Tone> tones;
    for (const SourceLine& line : SplitLines(source)) {
        where.line = line.number;
        std::vector<std::string> t = Tokenize(line.text);
        if (t.empty()) continue;
        if (t[0] == "rate" && t.size() == 2) {
            rate = static_cast<int>(ParseInt(t[1], where));
            if (rate < 8000 || rate > 96000) where.Fail("rate out of range");
        } else if (t[0] == "level" && t.size() == 2) {
            level = ParseReal(t[1], where);
            CheckLevel(level, where);
        } else if (t[0] == "length" && t.size() == 2) {
            length = ParseReal(t[1], where);
            if (length < 0 || length > 30) where.Fail("length out of range");
        } else if (t[0] == "tone") {
            Options o = Options::Parse(t, 1);
            if (!o.positional.empty()) where.Fail("tone options are key=value");
            o.CheckKnown({"at", "wave", "freq", "duty", "dutysweep", "slide", "accel", "vib", "vibrate", "arp", "arpstep",
                          "attack", "hold", "decay", "punch", "volume", "lowpass", "seed"},
                         where);
            tones.push_back({o, where});
        } else {
            where.Fail("cannot read '" + line.text + "'");
        }
    }
    where.line = 0;
    if (tones.empty()) where.Fail("no tone");

    double end = length;
    for (const Tone& tone : tones) {
        const Where& w = tone.where;
        double at = tone.o.Real("at", 0, w), a = tone.o.Real("attack", 0.002, w), h = tone.o.Real("hold", 0.05, w),
               d = tone.o.Real("decay", 0.2, w);
        if (at < 0 || a < 0 || h < 0 || d <= 0 || at + a + h + d > 30) w.Fail("tone times out of range");
        end = std::max(end, at + a + h + d);
    }
    const size_t total = static_cast<size_t>((end + 0.01) * rate) + 1;
    std::vector<double> mix(total, 0.0);

    for (const Tone& tone : tones) {
        const Options& o = tone.o;
        const Where& w = tone.where;
        Oscillator osc;
        osc.wave = ParseWave(o.Get("wave", "square"), w);
        osc.noise = Noise(static_cast<uint32_t>(o.Int("seed", 7, w)));
        double freq = o.Real("freq", 440, w), duty = o.Real("duty", 0.5, w), dutySweep = o.Real("dutysweep", 0, w);
        double slide = o.Real("slide", 0, w), accel = o.Real("accel", 0, w);
        double vib = o.Real("vib", 0, w), vibRate = o.Real("vibrate", 6, w);
        double attack = o.Real("attack", 0.002, w), hold = o.Real("hold", 0.05, w), decay = o.Real("decay", 0.2, w);
        double punch = o.Real("punch", 0, w), volume = o.Real("volume", 1, w), lowpass = o.Real("lowpass", 0, w);
        double arpStep = o.Real("arpstep", 0.05, w);
        std::vector<double> arp = o.Has("arp") ? ParseList(o.Get("arp", ""), w) : std::vector<double>{0};
        if (freq <= 0 || freq > rate / 2.0 || volume < 0 || volume > 1 || punch < 0 || punch > 1 || arpStep <= 0 ||
            duty <= 0 || duty >= 1 || lowpass < 0)
            w.Fail("tone parameter out of range");
        const double lpA = lowpass > 0 ? 1.0 - std::exp(-2 * kPi * lowpass / rate) : 1.0;
        double lp = 0;
        const size_t start = static_cast<size_t>(o.Real("at", 0, w) * rate);
        const size_t n = static_cast<size_t>((attack + hold + decay) * rate);
        std::vector<double> raw(std::min(n, total > start ? total - start : 0), 0.0), shape(raw.size(), 0.0);
        for (size_t i = 0; i < raw.size(); ++i) {
            double t = double(i) / rate;
            double semis = arp[static_cast<size_t>(t / arpStep) % arp.size()] + vib * std::sin(2 * kPi * vibRate * t);
            double f = freq * std::pow(2.0, slide * t + 0.5 * accel * t * t + semis / 12.0);
            f = std::clamp(f, 10.0, rate / 2.2);
            double du = std::clamp(duty + dutySweep * t, 0.05, 0.95);
            double env;
            // The attack rises to the punch's peak, so the accent starts
            // without a jump (a jump in the envelope clicks and folds back).
            if (t < attack) env = (1.0 + punch) * t / attack;
            else if (t < attack + hold) env = 1.0 + punch * (1.0 - (t - attack) / std::max(hold, 1e-9));
            else {
                double x = std::min(1.0, (t - attack - hold) / decay);
                env = (1.0 - x) * (1.0 - x);
            }
            osc.Step(f, du, rate, raw, i);
            shape[i] = env;
        }
        // The wave's edge corrections reach a few samples back, so it is
        // filtered and shaped only once it is whole.
        for (size_t i = 0; i < raw.size(); ++i) {
            lp += lpA * (raw[i] - lp);
            mix[start + i] += lp * shape[i] * volume / (1.0 + punch);
        }
    }

    // Remove any DC offset (pulse waves carry one), then fade both ends so the
    // sound starts and stops without a click.
    double prevIn = 0, prevOut = 0;
    for (double& v : mix) {
        double out = v - prevIn + 0.995 * prevOut;
        prevIn = v;
        prevOut = out;
        v = out;
    }
    const size_t fadeIn = std::min(total / 4, static_cast<size_t>(0.002 * rate));
    const size_t fadeOut = std::min(total / 4, static_cast<size_t>(0.010 * rate));
    for (size_t i = 0; i < fadeIn; ++i) mix[i] *= 0.5 - 0.5 * std::cos(kPi * i / fadeIn);
    for (size_t i = 0; i < fadeOut; ++i) mix[total - 1 - i] *= 0.5 - 0.5 * std::cos(kPi * i / fadeOut);
    mix.front() = mix.back() = 0.0;

    double peak = 0;
    for (double v : mix) peak = std::max(peak, std::fabs(v));
    if (peak < 1e-6) where.Fail("the effect is silent");
    const double gain = CheckLevel(level, where) / peak;
    PcmSound out;
    out.rate = rate;
    out.channels = 1;
    out.samples.reserve(total);
    for (double v : mix) out.samples.push_back(ToSample(v * gain));
    return out;
}

namespace {

// Expands [ ... ]N repeats from the innermost outwards.
std::string ExpandRepeats(std::string s, const Where& where) {
    for (int guard = 0; guard < 1000; ++guard) {
        size_t close = s.find(']');
        if (close == std::string::npos) {
            if (s.find('[') != std::string::npos) where.Fail("'[' without ']'");
            return s;
        }
        size_t open = s.rfind('[', close);
        if (open == std::string::npos) where.Fail("']' without '['");
        size_t digits = close + 1;
        while (digits < s.size() && std::isdigit(static_cast<unsigned char>(s[digits]))) ++digits;
        int count = digits > close + 1 ? std::stoi(s.substr(close + 1, std::min<size_t>(digits - close - 1, 4))) : 2;
        if (count < 1 || count > 64) where.Fail("repeat count out of range");
        std::string body = s.substr(open + 1, close - open - 1), rep;
        for (int i = 0; i < count; ++i) rep += body + " ";
        s = s.substr(0, open) + rep + s.substr(digits);
        if (s.size() > 1000000) where.Fail("repeats expand too far");
    }
    where.Fail("too many repeats");
}

// Returns the tick where the note data ends.
uint32_t ParseMml(const std::string& text, SongTrack& track, const Where& where) {
    const std::string s = ExpandRepeats(text, where);
    const bool drums = track.channel == 9;
    int octave = 4, defLength = 4, velocity = 100, gate = 7;
    uint32_t pos = 0;
    bool tie = false;
    size_t i = 0;
    auto number = [&](int fallback) {
        size_t start = i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
        if (i == start) return fallback;
        if (i - start > 4) where.Fail("number too long in note data");
        return std::stoi(s.substr(start, i - start));
    };
    auto length = [&]() {
        int n = number(defLength);
        if (n < 1 || n > 64 || (kSongDivision * 4) % n != 0) where.Fail("bad note length " + std::to_string(n));
        uint32_t ticks = kSongDivision * 4 / n, add = ticks;
        while (i < s.size() && s[i] == '.') {
            add /= 2;
            ticks += add;
            ++i;
        }
        return ticks;
    };
    while (i < s.size()) {
        char c = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i])));
        if (c == ' ' || c == '\t' || c == '|') { ++i; continue; }
        ++i;
        if (c == 'o') { octave = number(-1); if (octave < 0 || octave > 9) where.Fail("octave out of range"); continue; }
        if (c == '<') { if (--octave < 0) where.Fail("octave below 0"); continue; }
        if (c == '>') { if (++octave > 9) where.Fail("octave above 9"); continue; }
        if (c == 'l') { defLength = number(-1); if (defLength < 1 || defLength > 64) where.Fail("bad default length"); continue; }
        if (c == 'v') { velocity = number(-1); if (velocity < 1 || velocity > 127) where.Fail("velocity out of range"); continue; }
        if (c == 'q') { gate = number(-1); if (gate < 1 || gate > 8) where.Fail("gate must be 1 to 8"); continue; }
        if (c == '&') { tie = true; continue; }
        if (c == 'r') { pos += length(); tie = false; continue; }
        int key = -1;
        if (drums) {
            static const std::string kDrums = "kshotx";
            static const int kKeys[] = {36, 38, 42, 46, 45, 49};
            size_t d = kDrums.find(c);
            if (d == std::string::npos) where.Fail(std::string("not a drum: '") + c + "'");
            key = kKeys[d];
        } else {
            static const std::string kNames = "cdefgab";
            static const int kSemis[] = {0, 2, 4, 5, 7, 9, 11};
            size_t d = kNames.find(c);
            if (d == std::string::npos) where.Fail(std::string("unexpected '") + c + "' in note data");
            key = 12 * (octave + 1) + kSemis[d];
            while (i < s.size() && (s[i] == '+' || s[i] == '#' || s[i] == '-')) key += s[i++] == '-' ? -1 : 1;
            if (key < 0 || key > 127) where.Fail("note out of range");
        }
        uint32_t ticks = length();
        uint32_t sounding = drums ? ticks : std::max<uint32_t>(1, ticks * gate / 8);
        if (tie && !track.notes.empty() && track.notes.back().key == key && !drums) {
            SongNote& last = track.notes.back();
            last.length = pos + sounding - last.tick;
        } else {
            track.notes.push_back({pos, sounding, key, velocity});
        }
        tie = false;
        pos += ticks;
    }
    return pos;
}

}  // namespace

Song ParseSong(const std::string& source, const std::string& fileName) {
    Where where{fileName, 0};
    Song song;
    double beats = 0;
    std::vector<std::string> bodies;
    std::vector<int> bodyLines;
    for (const SourceLine& line : SplitLines(source)) {
        where.line = line.number;
        std::vector<std::string> t = Tokenize(line.text);
        if (t.empty()) continue;
        if (t[0] == "tempo" && t.size() == 2) {
            song.tempo = ParseReal(t[1], where);
            if (song.tempo < 20 || song.tempo > 400) where.Fail("tempo out of range");
        } else if (t[0] == "beats" && t.size() == 2) {
            beats = ParseReal(t[1], where);
            if (beats <= 0 || beats > 1024 || std::floor(beats * 4) != beats * 4) where.Fail("beats must be whole sixteenths");
        } else if (t[0] == "rate" && t.size() == 2) {
            song.rate = static_cast<int>(ParseInt(t[1], where));
            if (song.rate < 8000 || song.rate > 96000) where.Fail("rate out of range");
        } else if (t[0] == "level" && t.size() == 2) {
            song.level = ParseReal(t[1], where);
            CheckLevel(song.level, where);
        } else if (t[0] == "track") {
            if (t.size() < 2) where.Fail("a track needs a name");
            Options o = Options::Parse(t, 2);
            o.CheckKnown({"program", "channel", "volume", "pan", "wave", "duty", "attack", "decay", "sustain", "release",
                          "vib", "gain", "echo"},
                         where);
            SongTrack tr;
            tr.name = t[1];
            tr.program = static_cast<int>(o.Int("program", 0, where));
            tr.channel = static_cast<int>(o.Int("channel", static_cast<long>(song.tracks.size()), where));
            tr.volume = static_cast<int>(o.Int("volume", 100, where));
            tr.pan = static_cast<int>(o.Int("pan", 64, where));
            tr.wave = o.Get("wave", tr.channel == 9 ? "noise" : "square");
            ParseWave(tr.wave, where);
            tr.duty = o.Real("duty", 0.5, where);
            tr.attack = o.Real("attack", 0.005, where);
            tr.decay = o.Real("decay", 0.2, where);
            tr.sustain = o.Real("sustain", 0.6, where);
            tr.release = o.Real("release", 0.05, where);
            tr.vib = o.Real("vib", 0, where);
            tr.gain = o.Real("gain", 0.5, where);
            tr.echo = o.Real("echo", 0, where);
            if (tr.program < 0 || tr.program > 127 || tr.channel < 0 || tr.channel > 15 || tr.volume < 0 ||
                tr.volume > 127 || tr.pan < 0 || tr.pan > 127 || tr.duty <= 0 || tr.duty >= 1 || tr.attack < 0 ||
                tr.decay <= 0 || tr.sustain < 0 || tr.sustain > 1 || tr.release < 0 || tr.gain < 0 || tr.gain > 1 ||
                tr.echo < 0 || tr.echo > 1 || tr.vib < 0 || tr.vib > 2)
                where.Fail("track parameter out of range");
            song.tracks.push_back(tr);
            bodies.emplace_back();
            bodyLines.push_back(line.number);
        } else {
            if (song.tracks.empty()) where.Fail("note data before the first track");
            bodies.back() += " " + line.text.substr(0, line.text.find("# "));
        }
    }
    where.line = 0;
    if (beats == 0) where.Fail("no 'beats' (loop length) given");
    if (song.tracks.empty()) where.Fail("no track");
    song.loopTicks = static_cast<uint32_t>(beats * kSongDivision);
    for (size_t k = 0; k < song.tracks.size(); ++k) {
        Where w{fileName, bodyLines[k]};
        uint32_t end = ParseMml(bodies[k], song.tracks[k], w);
        // Every track must fill the loop exactly, or the parts drift apart on repeat.
        if (end != song.loopTicks)
            w.Fail("track '" + song.tracks[k].name + "' lasts " + std::to_string(end / double(kSongDivision)) +
                   " beats, the loop " + std::to_string(beats));
    }
    return song;
}

MidiFile SongToMidi(const Song& song) {
    MidiFile file;
    file.format = 1;
    file.division = kSongDivision;
    MidiTrack conductor;
    uint32_t usPerQuarter = static_cast<uint32_t>(std::lround(60000000.0 / song.tempo));
    conductor.events.push_back({0, {0xFF, 0x03, 'L', 'o', 'o', 'p'}});
    conductor.events.push_back({0, {0xFF, 0x51, uint8_t(usPerQuarter >> 16), uint8_t(usPerQuarter >> 8), uint8_t(usPerQuarter)}});
    conductor.events.push_back({0, {0xFF, 0x58, 4, 2, 24, 8}});
    file.tracks.push_back(conductor);
    for (const SongTrack& t : song.tracks) {
        MidiTrack mt;
        std::vector<uint8_t> name = {0xFF, 0x03};
        name.insert(name.end(), t.name.begin(), t.name.end());
        mt.events.push_back({0, name});
        uint8_t ch = static_cast<uint8_t>(t.channel);
        if (t.channel != 9) mt.events.push_back({0, {uint8_t(0xC0 | ch), uint8_t(t.program)}});
        mt.events.push_back({0, {uint8_t(0xB0 | ch), 7, uint8_t(t.volume)}});
        mt.events.push_back({0, {uint8_t(0xB0 | ch), 10, uint8_t(t.pan)}});
        for (const SongNote& n : t.notes) {
            // A note ringing past the loop end is cut there so the repeat starts clean.
            uint32_t off = std::min(n.tick + n.length, song.loopTicks);
            if (off <= n.tick) continue;
            mt.events.push_back({n.tick, {uint8_t(0x90 | ch), uint8_t(n.key), uint8_t(n.velocity)}});
            mt.events.push_back({off, {uint8_t(0x80 | ch), uint8_t(n.key), 0}});
        }
        file.tracks.push_back(mt);
    }
    return file;
}

namespace {

void AddDrum(int key, double velocity, int rate, std::vector<double>& out, uint32_t seed) {
    Noise noise(seed);
    double len = key == 49 ? 0.9 : key == 46 ? 0.3 : key == 36 ? 0.3 : key == 45 ? 0.25 : key == 38 ? 0.2 : 0.05;
    size_t n = static_cast<size_t>(len * rate);
    out.assign(n, 0.0);
    double phase = 0, prev = 0, lp = 0;
    for (size_t i = 0; i < n; ++i) {
        double t = double(i) / rate, v = 0;
        double white = noise.Next();
        double high = white - prev;  // first difference: bright noise for cymbals
        prev = white;
        switch (key) {
            case 36: {
                double f = 45 + 110 * std::exp(-t / 0.03);
                phase += f / rate;
                v = std::sin(2 * kPi * phase) * std::exp(-t / 0.12) + (t < 0.003 ? white * 0.15 : 0);
                break;
            }
            case 38: {
                phase += 185.0 / rate;
                lp += 0.5 * (white - lp);
                v = 0.55 * lp * std::exp(-t / 0.06) + 0.45 * std::sin(2 * kPi * phase) * std::exp(-t / 0.04);
                break;
            }
            case 45: {
                double f = 90 + 60 * std::exp(-t / 0.05);
                phase += f / rate;
                v = std::sin(2 * kPi * phase) * std::exp(-t / 0.09);
                break;
            }
            case 42: v = 0.5 * high * std::exp(-t / 0.012); break;
            case 46: v = 0.45 * high * std::exp(-t / 0.08); break;
            default: v = 0.35 * high * std::exp(-t / 0.3); break;
        }
        double fade = std::min(1.0, double(n - i) / (0.004 * rate));
        out[i] = v * velocity * fade;
    }
}

}  // namespace

PcmSound RenderSong(const Song& song) {
    const int rate = song.rate;
    const double samplesPerTick = 60.0 / song.tempo / kSongDivision * rate;
    const size_t loop = static_cast<size_t>(std::llround(song.loopTicks * samplesPerTick));
    std::vector<double> left(loop, 0.0), right(loop, 0.0), sendL(loop, 0.0), sendR(loop, 0.0);
    uint32_t seed = 1;
    for (const SongTrack& t : song.tracks) {
        const double pan = t.pan / 127.0;
        const double gl = std::cos(pan * kPi / 2), gr = std::sin(pan * kPi / 2);
        const double trackGain = t.gain * t.volume / 127.0;
        Wave wave = ParseWave(t.wave, Where{"song", 0});
        for (const SongNote& n : t.notes) {
            std::vector<double> voice;
            const double vel = n.velocity / 127.0;
            if (t.channel == 9) {
                AddDrum(n.key, vel, rate, voice, ++seed);
            } else {
                const double dur = n.length * samplesPerTick / rate;
                const size_t count = static_cast<size_t>((dur + t.release) * rate);
                voice.assign(count, 0.0);
                Oscillator osc;
                osc.wave = wave;
                osc.noise = Noise(++seed);
                const double freq = 440.0 * std::pow(2.0, (n.key - 69) / 12.0);
                const double attack = std::max(t.attack, 0.001);
                double env = 0;
                std::vector<double> shape(count);
                for (size_t i = 0; i < count; ++i) {
                    double time = double(i) / rate;
                    double vibDepth = time > 0.15 ? t.vib * std::min(1.0, (time - 0.15) / 0.2) : 0.0;
                    double f = freq * std::pow(2.0, vibDepth * std::sin(2 * kPi * 5.5 * time) / 12.0);
                    if (time < attack) env = time / attack;
                    else if (time < dur) env = t.sustain + (1 - t.sustain) * std::exp(-(time - attack) / t.decay);
                    else {
                        double held = dur < attack ? dur / attack : t.sustain + (1 - t.sustain) * std::exp(-(dur - attack) / t.decay);
                        env = held * std::max(0.0, 1.0 - (time - dur) / std::max(t.release, 0.002));
                    }
                    osc.Step(f, t.duty, rate, voice, i);
                    shape[i] = env * vel;
                }
                for (size_t i = 0; i < count; ++i) voice[i] *= shape[i];
            }
            const size_t start = static_cast<size_t>(std::llround(n.tick * samplesPerTick));
            for (size_t i = 0; i < voice.size(); ++i) {
                size_t at = (start + i) % loop;  // wrap: the tail rings into the next repeat
                double v = voice[i] * trackGain;
                left[at] += v * gl;
                right[at] += v * gr;
                sendL[at] += v * gl * t.echo;
                sendR[at] += v * gr * t.echo;
            }
        }
    }
    // Dotted-eighth echo computed around the loop: several passes let the
    // feedback settle to what it would be after many repeats.
    const size_t delay = static_cast<size_t>(std::llround(kSongDivision * 0.75 * samplesPerTick)) % loop;
    if (delay > 0) {
        std::vector<double> yl = sendL, yr = sendR;
        for (int pass = 0; pass < 6; ++pass)
            for (size_t i = 0; i < loop; ++i) {
                size_t back = (i + loop - delay) % loop;
                yl[i] = sendL[i] + 0.4 * yr[back];  // ping-pong between the sides
                yr[i] = sendR[i] + 0.4 * yl[back];
            }
        for (size_t i = 0; i < loop; ++i) {
            size_t back = (i + loop - delay) % loop;
            left[i] += 0.35 * yr[back];
            right[i] += 0.35 * yl[back];
        }
    }
    // Narrow pulse waves carry a DC offset that comes and goes with the notes:
    // a gentle high-pass takes it out. Run around the loop twice so the
    // filter's state at the start is the one it has at the end.
    const double hp = std::exp(-2 * kPi * 15.0 / rate);
    for (std::vector<double>* ch : {&left, &right}) {
        std::vector<double>& x = *ch;
        std::vector<double> y(loop);
        double prevIn = x[loop - 1], prevOut = 0;
        for (int pass = 0; pass < 2; ++pass)
            for (size_t i = 0; i < loop; ++i) {
                y[i] = hp * (prevOut + x[i] - prevIn);
                prevIn = x[i];
                prevOut = y[i];
            }
        x = y;
    }
    double peak = 0;
    for (size_t i = 0; i < loop; ++i) peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    if (peak < 1e-6) throw SourceError("the song is silent");
    const double gain = std::pow(10.0, song.level / 20.0) / peak;
    PcmSound out;
    out.rate = rate;
    out.channels = 2;
    out.samples.reserve(loop * 2);
    for (size_t i = 0; i < loop; ++i) {
        out.samples.push_back(ToSample(left[i] * gain));
        out.samples.push_back(ToSample(right[i] * gain));
    }
    return out;
}

}  // namespace tevtools
