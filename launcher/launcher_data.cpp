#include "launcher/launcher_data.h"
#include "games/kit/file_atomic.h"
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <algorithm>
#include <cctype>
#include <vector>
#include "launcher/profile_ini.h"

namespace {

const char kSettingsFile[] = "save.dat";
const char kPlayFile[] = "play.dat";
const char kTitleFile[] = "title.dat";
const char kScoreFile[] = "pv.dat";
const char kPlaySection[] = "ProjectVarrow";
const char kDefaultTitleLine[] = "あそびばこのちいさなゲームたち";

// Leading number as atoi reads it, held to the int range.
long long ParseCount(const std::string& text) {
    const char* p = text.c_str();
    errno = 0;
    long long value = std::strtoll(p, nullptr, 10);
    if (value > INT_MAX)
        value = INT_MAX;
    if (value < INT_MIN)
        value = INT_MIN;
    return value;
}

bool IsShiftJisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// At most maxBytes of the line, never ending in half a double-byte character.
size_t CutLength(const std::string& line, size_t maxBytes) {
    size_t i = 0;
    while (i < line.size()) {
        const size_t width = IsShiftJisLead(static_cast<unsigned char>(line[i])) && i + 1 < line.size() ? 2 : 1;
        if (i + width > maxBytes)
            break;
        i += width;
    }
    return i;
}

void PutLe32(std::string& out, int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

int32_t GetLe32(const std::string& in, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
    return static_cast<int32_t>(v);
}

} // namespace

namespace tev_data {

bool IsBindableKey(int code) {
    // The codes the keyboard's name table knows (DirectInput's DIK_ keys);
    // the tests hold this list to that table.
    static const struct {
        int first, last;
    } kNamed[] = {{1, 83}, {86, 88}, {100, 102}, {112, 112}, {115, 115}, {121, 121}, {123, 123}, {125, 126}, {141, 141}, {144, 151}, {153, 153}, {156, 157}, {160, 162}, {164, 164}, {174, 174}, {176, 176}, {178, 179}, {181, 181}, {183, 184}, {197, 197}, {199, 201}, {203, 203}, {205, 205}, {207, 211}, {219, 223}, {227, 227}, {229, 237}};
    bool named = false;
    for (const auto& range : kNamed)
        named = named || (code >= range.first && code <= range.last);
    if (!named)
        return false;
    for (int reserved : kTevArrowKeys)
        if (code == reserved)
            return false;
    for (int reserved : kTevWsadKeys)
        if (code == reserved)
            return false;
    return true;
}

bool IsBindablePadButton(int button) { return button >= 4 && button <= 15; }

std::string ToTextMode(const void* data, size_t size) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    std::string out;
    out.reserve(size + 4);
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] == 0x0A)
            out.push_back('\r');
        out.push_back(static_cast<char>(bytes[i]));
    }
    return out;
}

// Only the pair 0x0D 0x0A shrinks; a lone 0x0D is data. A 0x1A byte is data
// too (a text-mode reader would stop there and lose the rest of a record).
std::string FromTextMode(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue;
        out.push_back(bytes[i]);
    }
    return out;
}

ReadResult ReadDataFile(const std::string& path, std::string& out, size_t maxBytes, std::string* why) {
    out.clear();
    auto fail = [why](ReadResult result, const char* text) {
        if (why != nullptr)
            *why = text;
        return result;
    };
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return fail(errno == ENOENT ? ReadResult::kMissing : ReadResult::kUnreadable, std::strerror(errno));
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return fail(ReadResult::kUnreadable, "not a regular file");
    }
    char chunk[4096];
    while (out.size() < maxBytes) {
        const ssize_t n = read(fd, chunk, std::min(sizeof chunk, maxBytes - out.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int cause = errno;
            close(fd);
            out.clear();
            return fail(ReadResult::kUnreadable, std::strerror(cause));
        }
        if (n == 0)
            break;
        out.append(chunk, static_cast<size_t>(n));
    }
    close(fd);
    return ReadResult::kRead;
}

bool ReadFileBytes(const std::string& path, std::string& out, size_t maxBytes) {
    return ReadDataFile(path, out, maxBytes) == ReadResult::kRead;
}

bool WriteFileAtomic(const std::string& path, const std::string& bytes) { return tevkit::WriteFileAtomic(path, bytes); }

} // namespace tev_data

CLauncherData::CLauncherData() : m_saved(kTevDefaultKeyConfig), m_working(kTevDefaultKeyConfig) {
    std::memset(m_titles, 0, sizeof m_titles);
}

void CLauncherData::SetFolder(const std::string& folder) { m_folder = folder; }

void CLauncherData::SetPlayerFolder(const std::string& folder) { m_playerFolder = folder; }

const std::string& CLauncherData::WritableFolder() const { return m_playerFolder.empty() ? m_folder : m_playerFolder; }

void CLauncherData::LogLine(const std::string& line) const {
    if (m_log)
        m_log(line.c_str());
}

tev_data::ReadResult CLauncherData::Read(const char* name, std::string& out, size_t maxBytes) const {
    std::string why;
    const tev_data::ReadResult result = tev_data::ReadDataFile(PathOf(name), out, maxBytes, &why);
    if (result == tev_data::ReadResult::kUnreadable)
        LogLine(std::string("CLauncherData::Read|: cannot read ") + PathOf(name) + ": " + why);
    return result;
}

int CLauncherData::Save(const char* name, const std::string& bytes, bool unreadableAtLoad) {
    const std::string path = PathOf(name);
    std::string old;
    if (unreadableAtLoad || tev_data::ReadDataFile(path, old, 1) == tev_data::ReadResult::kUnreadable) {
        LogSaveFailure(path, "it is there but could not be read; it is left as it is");
        return -1;
    }
    if (!tev_data::WriteFileAtomic(path, bytes)) {
        LogSaveFailure(path, std::strerror(errno));
        return -1;
    }
    return 0;
}

void CLauncherData::LogSaveFailure(const std::string& path, const std::string& cause) {
    // A full disk fails every save of the splash game; once is enough.
    if (m_reportedFailures.insert(path + ": " + cause).second)
        LogLine("CLauncherData::Save|: cannot save " + path + ": " + cause);
}

std::string CLauncherData::PathOf(const char* name) const {
    // "title.dat" is shipped with the program; the others are the player's.
    const std::string& folder = std::strcmp(name, kTitleFile) == 0 ? m_folder : WritableFolder();
    if (folder.empty())
        return name;
    if (folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

const char* CLauncherData::DefaultTitleLine() { return kDefaultTitleLine; }

int CLauncherData::RemoveStaleTemporaries() {
    const std::string folder = WritableFolder().empty() ? "." : WritableFolder();
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return 0;
    std::vector<std::string> stale;
    while (dirent* d = readdir(dir)) {
        const std::string name = d->d_name;
        for (const char* data : {kSettingsFile, kScoreFile, kPlayFile}) {
            const size_t n = std::strlen(data);
            if (name.size() != n + 7 || name.compare(0, n, data) != 0 || name[n] != '.')
                continue;
            if (std::all_of(name.begin() + static_cast<long>(n) + 1, name.end(),
                            [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }))
                stale.push_back(name);
        }
    }
    closedir(dir);
    int removed = 0;
    for (const std::string& name : stale) {
        const std::string path = PathOf(name.c_str());
        struct stat st;
        if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && unlink(path.c_str()) == 0)
            ++removed;
    }
    if (removed > 0)
        LogLine("CLauncherData::RemoveStaleTemporaries|: removed " + std::to_string(removed) +
                " temporary file(s) left by saves cut short");
    return removed;
}

void CLauncherData::LoadSettings() {
    m_saved = kTevDefaultKeyConfig;
    std::string bytes;
    // Six record bytes take at most twelve on disk, and one more decides the last pair.
    const tev_data::ReadResult read = Read(kSettingsFile, bytes, 32);
    m_settingsUnreadable = read == tev_data::ReadResult::kUnreadable;
    if (read == tev_data::ReadResult::kRead) {
        const std::string record = tev_data::FromTextMode(bytes);
        std::memcpy(&m_saved, record.data(), std::min(record.size(), sizeof(TevKeyConfig)));
    }
    struct Field {
        uint8_t TevKeyConfig::*byte;
        bool (*valid)(int);
        const char* name;
    };
    static const Field kChecked[] = {
        {&TevKeyConfig::key1, tev_data::IsBindableKey, "key of button 1"},
        {&TevKeyConfig::key2, tev_data::IsBindableKey, "key of button 2"},
        {&TevKeyConfig::padButton1, tev_data::IsBindablePadButton, "pad button of button 1"},
        {&TevKeyConfig::padButton2, tev_data::IsBindablePadButton, "pad button of button 2"},
    };
    for (const Field& f : kChecked) {
        const int value = m_saved.*f.byte;
        if (!f.valid(value)) {
            m_saved.*f.byte = kTevDefaultKeyConfig.*f.byte;
            LogLine(std::string("CLauncherData::LoadSettings|: ") + kSettingsFile + ": " + f.name + " " +
                    std::to_string(value) + " cannot be bound; the default " +
                    std::to_string(kTevDefaultKeyConfig.*f.byte) + " is used");
        }
    }
    m_working = m_saved;
}

int CLauncherData::SaveSettings(const TevKeyConfig& record) {
    const std::string bytes = tev_data::ToTextMode(&record, sizeof record);
    return Save(kSettingsFile, bytes, m_settingsUnreadable);
}

int CLauncherData::CountPlay(const char* folderName) {
    if (folderName == nullptr || !CProfileIni::IsValidKey(folderName))
        return -1;
    CProfileIni ini;
    const std::string path = PathOf(kPlayFile);
    // A file that exists but cannot be read is left alone, not replaced.
    if (!ini.Load(path)) {
        LogSaveFailure(path, "it is there but could not be read (or is too large); it is left as it is");
        return -1;
    }
    long long value = ParseCount(ini.GetString(kPlaySection, folderName, "0"));
    if (value < INT_MAX)
        value += 1;
    if (!ini.SetString(kPlaySection, folderName, std::to_string(value)))
        return -1;
    return Save(kPlayFile, ini.Text(), false);
}

int CLauncherData::GetPlayCount(const char* folderName) const {
    if (folderName == nullptr)
        return 0;
    CProfileIni ini;
    if (!ini.Load(PathOf(kPlayFile)))
        return 0;
    return static_cast<int>(ParseCount(ini.GetString(kPlaySection, folderName, "0")));
}

int CLauncherData::LoadTitleLines() {
    std::memset(m_titles, 0, sizeof m_titles);
    m_titleCount = 0;
    std::string raw;
    // Enough for 255 long lines and a long first line; more is never read.
    if (Read(kTitleFile, raw, 1 << 20) != tev_data::ReadResult::kRead) {
        std::snprintf(m_titles[0], sizeof m_titles[0], "%s", kDefaultTitleLine);
        m_titleCount = 1;
        return -1;
    }
    const std::string text = tev_data::FromTextMode(raw);
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size() && lines.size() < static_cast<size_t>(kTevMaxTitleLines) + 1) {
        size_t nl = text.find('\n', pos);
        std::string line = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        if (nl == std::string::npos)
            break;
        pos = nl + 1;
    }
    long long wanted = lines.empty() ? 0 : ParseCount(lines[0].substr(0, 254));
    if (wanted > kTevMaxTitleLines)
        wanted = kTevMaxTitleLines;
    const long long present = static_cast<long long>(lines.size()) - 1;
    if (wanted > present)
        wanted = present;
    for (long long i = 0; i < wanted; ++i) {
        const std::string& line = lines[static_cast<size_t>(i) + 1];
        const size_t n = CutLength(line, kTevTitleLineSize - 1);
        std::memcpy(m_titles[i], line.data(), n);
        m_titles[i][n] = '\0';
    }
    m_titleCount = static_cast<int>(wanted > 0 ? wanted : 0);
    // The title screen picks line rand() % count: never leave it with none.
    if (m_titleCount == 0) {
        std::snprintf(m_titles[0], sizeof m_titles[0], "%s", kDefaultTitleLine);
        m_titleCount = 1;
    }
    return 0;
}

const char* CLauncherData::GetTitleLine(int index) const {
    return index >= 0 && index < m_titleCount ? m_titles[index] : "";
}

void CLauncherData::LoadScore() {
    m_score = TevScore{};
    std::string bytes;
    const tev_data::ReadResult read = Read(kScoreFile, bytes, 32);
    m_scoreUnreadable = read == tev_data::ReadResult::kUnreadable;
    if (read != tev_data::ReadResult::kRead)
        return;
    const std::string record = tev_data::FromTextMode(bytes);
    // A record cut short means nothing; start from zero.
    if (record.size() < 8)
        return;
    m_score.tries = GetLe32(record, 0);
    m_score.hits = GetLe32(record, 4);
}

int CLauncherData::SaveScore() {
    std::string record;
    PutLe32(record, m_score.tries);
    PutLe32(record, m_score.hits);
    const std::string bytes = tev_data::ToTextMode(record.data(), record.size());
    return Save(kScoreFile, bytes, m_scoreUnreadable);
}
