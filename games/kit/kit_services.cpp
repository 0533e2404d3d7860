#include <cstring>
#include "games/kit/tev_game.h"
#include "games/kit/tev_kit.h"
#include "plugin_api/tev_draw.h"
#include "plugin_api/tev_input.h"
#include "plugin_api/tev_module.h"
#include "plugin_api/tev_movie.h"
#include "plugin_api/tev_sound.h"

ITevDraw* draw = nullptr;
ITevInput* input = nullptr;
ITevMovie* movie = nullptr;
ITevSound* sound = nullptr;
ITevApp* app = nullptr;

ButtonMapper buttonMapper;

int KitSystemInit(ITevModule** block, ITevApp* application) {
    app = application;
    if (block != nullptr) {
        // Each entry is the module base of its service; the services derive
        // from ITevModule alone, so the cast only restores the type.
        draw = static_cast<ITevDraw*>(block[kTevServiceDraw]);
        input = static_cast<ITevInput*>(block[kTevServiceInput]);
        movie = static_cast<ITevMovie*>(block[kTevServiceMovie]);
        sound = static_cast<ITevSound*>(block[kTevServiceSound]);
    }
    if (draw != nullptr)
        draw->SetScreenSize(tev::kScreenWidth, tev::kScreenHeight);
    return 0;
}

void KitBindStandard(const unsigned char* keyConfig, ButtonMapper& mapper) {
    const TevKeyConfig& keys =
        keyConfig != nullptr ? *reinterpret_cast<const TevKeyConfig*>(keyConfig) : kTevDefaultKeyConfig;
    const int* directions = keys.directionKeys != 0 ? kTevWsadKeys : kTevArrowKeys;
    for (int i = 0; i < 4; ++i)
        mapper.BindKey(0, i, directions[i]);
    mapper.BindKey(0, kTevButton1, keys.key1);
    mapper.BindKey(0, kTevButton2, keys.key2);
    for (int i = 0; i < 4; ++i)
        mapper.BindPad(0, i, 0, i);
    mapper.BindPad(0, kTevButton1, 0, keys.padButton1);
    mapper.BindPad(0, kTevButton2, 0, keys.padButton2);
}

void KitBindFixed(ButtonMapper& mapper) {
    for (int i = 0; i < 4; ++i)
        mapper.BindKey(0, i, kTevArrowKeys[i]);
    mapper.BindKey(0, kTevButton1, 44);
    mapper.BindKey(0, kTevButton2, 45);
    for (int i = 0; i < 6; ++i)
        mapper.BindPad(0, i, 0, i);
}

void KitBeginFrame() {
    buttonMapper.Update();
    if (draw != nullptr)
        draw->Clear();
}

bool KitEscapePressed() { return input != nullptr && input->GetKey(kTevKeyEscape) == 1; }

namespace {
void CopyField(char* out, size_t size, const char* text) {
    if (text == nullptr)
        text = "";
    size_t n = std::strlen(text);
    if (n >= size)
        n = size - 1;
    std::memcpy(out, text, n);
    std::memset(out + n, 0, size - n);
}
} // namespace

TevGameInfo* KitFillInfo(TevGameInfo* info, const char* title, const char* author, const char* comment,
                         const char* image) {
    if (info == nullptr)
        return nullptr;
    CopyField(info->title, sizeof info->title, title);
    CopyField(info->author, sizeof info->author, author);
    CopyField(info->comment, sizeof info->comment, comment);
    info->reserved = 0;
    CopyField(info->image, sizeof info->image, image);
    return info;
}
