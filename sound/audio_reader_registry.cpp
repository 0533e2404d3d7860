#include "sound/audio_reader_registry.h"

#include <cstdlib>
#include <cstring>

#include "plugin_api/tev_sound.h"

namespace {

bool SameText(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
        if (!x) return true;
    }
}

} // namespace

CTevWinSoundAudioClassFactory::~CTevWinSoundAudioClassFactory() {
    for (ReaderEntry& e : m_entries) {
        delete e.prototype;
        std::free(e.extension);
    }
}

CTevWinSoundAudioClassFactory& CTevWinSoundAudioClassFactory::Instance() {
    static CTevWinSoundAudioClassFactory registry;
    return registry;
}

bool CTevWinSoundAudioClassFactory::Register(const char* extension, CTIAudioFile* prototype) {
    if (!extension || !prototype) return false;
    int i = 0;
    while (i < kEntries && m_entries[i].prototype && !SameText(m_entries[i].extension, extension)) ++i;
    if (i == kEntries) return false;
    CTIAudioFile* clone = prototype->Clone();
    char* text = strdup(extension);
    if (!clone || !text) {
        delete clone;
        std::free(text);
        return false;
    }
    ReaderEntry& e = m_entries[i];
    delete e.prototype;
    std::free(e.extension);
    e.prototype = clone;
    e.extension = text;
    return true;
}

CTIAudioFile* CTevWinSoundAudioClassFactory::Find(const char* extension) const {
    if (!extension) return nullptr;
    for (const ReaderEntry& e : m_entries) {
        if (!e.extension) break;
        if (SameText(e.extension, extension)) return e.prototype->Clone();
    }
    return nullptr;
}
