#include "games/hill_drive/hill_drive_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "games/hill_drive/car_sprites.h"

namespace hill_drive {
namespace {

constexpr uint32_t kGrassLight = 0xFF66CC66;
constexpr uint32_t kGrassDark = 0xFF009900;
constexpr uint32_t kFailColor = 0xFFFF6666;
constexpr int kGlyphW = 16;
constexpr int kGlyphH = 24;

// rand() >> 1, as every draw of the road takes it.
int Draw(tev::Rand15& rand) { return rand.Next() >> 1; }

int Toward(int value, int target, int amount) {
    if (value < target) return std::min(value + amount, target);
    if (value > target) return std::max(value - amount, target);
    return value;
}

void SetVoice(SynthVoice* v, int flags, int pitch, int volume) {
    if (!v) return;
    if (flags >= 0) v->flags = static_cast<int16_t>(flags);
    if (pitch >= 0) v->pitch = static_cast<int16_t>(pitch);
    if (volume >= 0) v->volume = static_cast<int16_t>(volume);
}

// Stores as the synth's 16-bit fields do.
void SetPitch(SynthVoice* v, int pitch) {
    if (v) v->pitch = static_cast<int16_t>(pitch);
}
void SetVolume(SynthVoice* v, int volume) {
    if (v) v->volume = static_cast<int16_t>(volume);
}
int Volume(const SynthVoice* v) { return v ? v->volume.load() : 0; }

SynthVoice* Voice(SynthVoice* voices, int i) { return voices ? voices + i : nullptr; }

// Clamped for drawing: the car's column can be left of the screen on the
// frame the drive fails.
int HeightAt(const Game& g, int column) { return g.heights[std::clamp(column, 0, kColumns - 1)]; }

void BuildHeights(Game& g) {
    g.heights[kCarColumn] = 30720;
    for (int k = kCarColumn + 1; k < kColumns; ++k) g.heights[k] = g.heights[k - 1] + g.slopes[k];
    for (int k = kCarColumn - 1; k >= 0; --k) g.heights[k] = g.heights[k + 1] - g.slopes[k];
}

void DrawRoad(const Game& g, tev::Sink& sink) {
    for (int x = 0; x < kColumns; ++x)
        sink.Line(x, 240, x, (g.heights[x] - g.lift) >> 8, 1, ((x + g.steps) & 32) ? kGrassLight : kGrassDark);
}

void DrawObject(Game& g, tev::Sink& sink, int postRaise) {
    if (g.objType == 0) return;
    g.objY = ((HeightAt(g, g.objX) - g.lift) >> 8) + 2;
    sink.Blit(kCarTexture, g.objX - 16, g.objY - 32, car::kBase);
    if (g.objType == 1) sink.Blit(kCarTexture, g.objX - 16, g.objY - 64, car::kBushTop);
    if (g.objType == 2) sink.Blit(kCarTexture, g.objX - 8, g.objY - postRaise, car::kPostTall);
    if (g.objType == 3) sink.Blit(kCarTexture, g.objX - 8, g.objY - postRaise, car::kPostSign);
}

}  // namespace

void RoadStep(Game& g, tev::Rand15& rand) {
    if (--g.slopeHold < 1) {
        int d = std::min(g.steps / 200 + 3, 32);
        if (g.steps > kFlatSteps) d = 1;
        const int r = Draw(rand) % (2 * d + 1);
        g.targetSlope = 8 * (r - d);
        g.slopeHold = Draw(rand) % 180 + 20;
    }
    if (g.slope != g.targetSlope) g.slope = Toward(g.slope, g.targetSlope, 8);
    std::copy(g.slopes + 1, g.slopes + kColumns, g.slopes);
    g.slopes[kColumns - 1] = g.slope;
    if (g.steps & 1) g.bump = Draw(rand) % 2;
    const int f = g.slopes[kCarColumn];
    if (g.lift == 0) {
        if (g.slopes[kCarColumn + 1] > f && g.speed > kTakeOffSpeed) {
            g.lift = -1;
            g.airVel = f;
        }
    } else if (g.lift < 0) {
        g.lift += g.airVel - f;
        g.bump = 0;
    }
    g.scroll -= 256;
    g.altitude += f;
    g.steps += 1;
    if (--g.objX < 0) g.objType = 0;
}

namespace {

int DrivingFrame(Game& g, const tev::Buttons& buttons, tev::Rand15& rand, tev::Sink& sink, SynthVoice* voices) {
    if (g.modeFrames == 0) {
        g.prevAngle = 0;
        std::fill(g.slopes, g.slopes + kColumns, 0);
        SetVoice(Voice(voices, 0), 1, -1, 768);
        SetVoice(Voice(voices, 1), 1, -1, 512);
        SetVoice(Voice(voices, 2), 1, -1, 0);
        SetVoice(Voice(voices, 3), 1, -1, 512);
        g.slope = g.targetSlope = 0;
        g.slopeHold = 120;
        g.steps = g.altitude = g.lift = g.speed = g.scroll = g.airVel = 0;
        g.enginePitch = 8192;
        g.objX = 240;
        g.objType = 1;
    }
    const bool brake = buttons.Held(tev::kButton1);
    const bool gas = buttons.Held(tev::kButton2);

    // Speed and tilt.
    int source = 0;
    if (g.lift < 0) {
        g.airVel += 10;
        source = g.airVel;
    } else {
        const int under = g.slopes[CarColumn(g)];
        g.speed += 16 * under;
        if (g.speed != 0 && brake)
            g.speed = Toward(g.speed, 0, 4096);
        else if (gas)
            g.speed += 2048;
        else
            g.speed = Toward(g.speed, 0, 512);
        g.speed = std::clamp(g.speed, kMinSpeed, kMaxSpeed);
        source = under;
    }
    g.angle = std::atan2(static_cast<double>(source), 256.0);

    // The road moves on under the car.
    g.scroll += g.speed >> 8;
    while (g.scroll >= 256) RoadStep(g, rand);
    if (g.lift > 0) g.lift = 0;
    BuildHeights(g);

    if (g.objType == 0 && g.steps % 2000 < 100) {
        g.objType = std::max(Draw(rand) % 4, 1);
        g.objX = 319;
    }
    DrawObject(g, sink, 80);
    DrawRoad(g, sink);

    const int column = CarColumn(g);
    const tev::Rect carSprite = (brake && (g.modeFrames & 1)) ? car::kCarBrake : car::kCar;
    const int carY = static_cast<int>((HeightAt(g, column) >> 8) - g.bump - 14 - std::fabs(6 * g.angle));
    sink.Rotate(kCarTexture, column, carY, 32, 32, carSprite, g.angle, 0);

    // Engine, wind and skid.
    int target;
    if (!gas)
        target = (g.speed >> 10) + 6144;
    else if (g.lift < 0)
        target = 18432;
    else if (g.speed < 0)
        target = 14336;
    else if (g.speed < 121360)
        target = 12288;
    else if (g.speed < 303400)
        target = (g.speed >> 5) + 4096;
    else if (g.speed < 546120)
        target = (g.speed >> 6) + 4096;
    else
        target = (g.speed >> 7) + 4096;
    target &= 0xFFF0;
    g.enginePitch = Toward(g.enginePitch, target, 384);
    SetPitch(Voice(voices, 0), g.enginePitch + 1024);
    SetPitch(Voice(voices, 3), g.enginePitch + 2560);
    SetPitch(Voice(voices, 1), (g.speed >> 7) + 8192);
    if (g.speed != 0 && brake && g.lift == 0) {
        SetPitch(Voice(voices, 2), 22272 + Draw(rand) % 512);
        SetVolume(Voice(voices, 2), g.speed < 0 ? 1024 : std::max(128, 1024 - (g.speed >> 9)));
    } else {
        SetVolume(Voice(voices, 2), 0);
    }

    if (column < 0) g.mode = kFailed;
    if (std::fabs(g.prevAngle - g.angle) >= kWreckAngle) g.mode = kWrecked;

    if (g.modeFrames < 200) {
        if (g.modeFrames % 16 < 12) DrawLetters(sink, 88, 50, "run 1500m");
        DrawLetters(sink, 64, 192, "btn1 - brake");
        DrawLetters(sink, 64, 216, "btn2 - accel");
    }

    if (g.finishCountdown != 0) {
        if (g.modeFrames % 16 < 12) DrawLetters(sink, 112, 50, "finish");
        SetPitch(Voice(voices, 3), 18432);
        SetVolume(Voice(voices, 3), (31 - g.modeFrames % 32) * 32);
        if (--g.finishCountdown < 1) {
            g.result = 1;
            return 1;
        }
    } else if (g.steps > kFinishSteps) {
        g.finishCountdown = 240;
    }
    g.prevAngle = g.angle;
    return 0;
}

void WreckedFrame(Game& g, tev::Rand15& rand, tev::Sink& sink, SynthVoice* voices) {
    if (g.modeFrames == 0) {
        const int base = HeightAt(g, CarColumn(g));
        for (int i = 0; i < kDebris; ++i) {
            g.dvx[i] = (Draw(rand) % 5 + 1) * 256;
            g.dvy[i] = (Draw(rand) % 4 - 6) * 256;
            g.debrisX[i] = 30720;
            g.debrisY[i] = base;
        }
        SetVoice(Voice(voices, 0), 3, 32, 1024);
        SetVoice(Voice(voices, 1), 1, 4096, 1024);
        SetVolume(Voice(voices, 2), 0);
        SetVoice(Voice(voices, 3), 3, 64, 1024);
        g.piecesLeft = kDebris;
    }
    if (Volume(Voice(voices, 0)) > 0) {
        for (int i : {0, 1, 3}) SetVolume(Voice(voices, i), Volume(Voice(voices, i)) - 32);
    }
    for (int i = 0; i < kDebris; ++i) {
        if (g.dvx[i] == 0) continue;
        g.debrisX[i] += g.dvx[i];
        g.debrisY[i] += g.dvy[i];
        g.dvy[i] += 80;
        if (g.debrisY[i] > 64000) {
            g.dvx[i] = 0;
            if (--g.piecesLeft < 1) g.mode = kFailed;
        }
    }
    DrawObject(g, sink, 96);
    DrawRoad(g, sink);
    const tev::Rect pieces[kDebris] = {car::kWreck,       car::kDebrisWheel, car::kDebrisDoor,
                                       car::kDebrisWheel2, car::kDebrisBolt,  car::kDebrisBolt};
    const int offsetX[kDebris] = {0, -16, 0, 10, -10, 8};
    for (int i = 0; i < kDebris; ++i) {
        const int x = (g.debrisX[i] >> 8) + offsetX[i];
        const int y = (g.debrisY[i] >> 8) - (i == 0 ? 15 : 0);
        sink.Rotate(kCarTexture, x, y, pieces[i].w, pieces[i].h, pieces[i], g.angle, 0);
    }
}

int FailedFrame(Game& g, tev::Sink& sink, SynthVoice* voices) {
    sink.FillRect(0, 0, 320, 240, kFailColor);
    DrawLetters(sink, 112, 100, "failed");
    if (g.modeFrames < 5) {
        for (int i = 0; i < 4; ++i) SetVolume(Voice(voices, i), 0);
    } else if (g.modeFrames == 5) {
        // A plain tone: after a wreck voice 0 was still the crash noise.
        SetVoice(Voice(voices, 0), 1, 10240, 1024);
        for (int i = 1; i < 4; ++i) SetVolume(Voice(voices, i), 0);
        g.failCountdown = 90;
    } else {
        const int volume = Volume(Voice(voices, 0));
        if (volume >= 1) SetVolume(Voice(voices, 0), volume - 16);
        // Without a synth the tone counts as faded at once.
        if (!voices || Volume(Voice(voices, 0)) < 1) {
            if (--g.failCountdown < 1) {
                g.result = 2;
                return 1;
            }
        }
    }
    return 0;
}

}  // namespace

void SetUpVoices(SynthVoice* voices) {
    SawWave(voices[0]);
    TriangleWave(voices[1]);
    SawWave(voices[2]);
    SquareWave(voices[3]);
}

bool LetterGlyph(char c, tev::Rect* src) {
    const int code = static_cast<unsigned char>(c);
    int x = -1, y = 0;
    if (code >= '0' && code <= '9') x = kGlyphW * (code - '0');
    else if (code == '.') x = 160;
    else if (code == '!') x = 192;
    else if (code == '@') x = 208;
    else if (code == '#') x = 224;
    else if (code == '-') x = 240;
    else if ((code >= 0x41 && code <= 0x4F) || (code >= 0x60 && code <= 0x6F)) x = kGlyphW * (code % 16), y = kGlyphH;
    else if ((code >= 0x50 && code <= 0x5F) || (code >= 0x70 && code <= 0x7F)) x = kGlyphW * (code % 16), y = 2 * kGlyphH;
    if (x < 0) return false;
    if (src) *src = {x, y, kGlyphW, kGlyphH};
    return true;
}

void DrawLetters(tev::Sink& sink, int x, int y, const char* text) {
    for (const char* p = text; *p; ++p, x += kGlyphW) {
        tev::Rect src;
        if (LetterGlyph(*p, &src)) sink.Blit(kLetterTexture, x, y, src);
    }
}

int Frame(Game& g, const tev::Buttons& buttons, tev::Rand15& rand, tev::Sink& sink, SynthVoice* voices) {
    int done = 0;
    if (g.mode == kDriving)
        done = DrivingFrame(g, buttons, rand, sink, voices);
    else if (g.mode == kWrecked)
        WreckedFrame(g, rand, sink, voices);
    else
        done = FailedFrame(g, sink, voices);
    if (done) return 1;

    char status[40];
    std::snprintf(status, sizeof status, "%7dm%7d!@#", g.steps / 20, static_cast<int>(g.speed * 0.000164794921875));
    DrawLetters(sink, 0, 0, status);

    g.modeFrames += 1;
    if (g.mode != g.lastMode) {
        g.lastMode = g.mode;
        g.modeFrames = 0;
    }
    return 0;
}

}  // namespace hill_drive
