// The reader registry: one prototype reader per file extension (at most 50),
// matched without regard to case; Find hands out fresh clones.
#pragma once

class CTIAudioFile;

class CTevWinSoundAudioClassFactory {
public:
    static constexpr int kEntries = 50;

    CTevWinSoundAudioClassFactory() = default;
    ~CTevWinSoundAudioClassFactory();
    CTevWinSoundAudioClassFactory(const CTevWinSoundAudioClassFactory&) = delete;
    CTevWinSoundAudioClassFactory& operator=(const CTevWinSoundAudioClassFactory&) = delete;

    // Stores a clone of prototype under the extension (replacing an entry of
    // the same extension); false when all entries hold other extensions.
    bool Register(const char* extension, CTIAudioFile* prototype);
    // A new unopened reader for the extension, owned by the caller; or null.
    CTIAudioFile* Find(const char* extension) const;

    // The process-wide registry.
    static CTevWinSoundAudioClassFactory& Instance();

private:
    struct ReaderEntry {
        char* extension = nullptr;
        CTIAudioFile* prototype = nullptr;
    };
    ReaderEntry m_entries[kEntries];
};
