// Root of every host object: each one can append a line to the run's HTML log.
// Plug-ins never construct these; the declarations are here because the
// service interfaces derive from them and their layout is shared.
#pragma once

class CTevDebugOut {
public:
    CTevDebugOut();
    virtual ~CTevDebugOut();

    // Creates (truncates) the log file and writes the empty page. 0 or -1.
    int Init();
    // Appends one entry at the given level. 0 or -1.
    int Write(int level, const char* text);
    // printf-style into a 256-byte buffer (truncating), then Write.
    void Log(int level, const char* format, ...) __attribute__((format(printf, 3, 4)));
    // The same at the "info" level (10).
    void Info(const char* format, ...) __attribute__((format(printf, 2, 3)));

    CTevDebugOut(const CTevDebugOut&) = delete;
    CTevDebugOut& operator=(const CTevDebugOut&) = delete;

private:
    char* m_fileName;
};

class CTevBase : public CTevDebugOut {
public:
    CTevBase();
    ~CTevBase() override;
};
