// Text and JSON forms of entries and records.
#include "report.h"

#include "commands.h"

#include <cstdio>

namespace zelhost {

namespace {

struct MediaName {
    DWORD code;
    const char* name;
};

constexpr MediaName kMediaNames[] = {
    {ZEL_MEDIA_MP3, "MP3"},      {ZEL_MEDIA_WMA, "WMA"},       {ZEL_MEDIA_OGG, "OGG"},
    {ZEL_MEDIA_ASF_AUDIO, "ASF"}, {ZEL_MEDIA_NETSYNC, "MP3"},  {ZEL_MEDIA_WMV, "WMV"},
    {ZEL_MEDIA_ASF_VIDEO, "ASF"}, {ZEL_MEDIA_MPG, "MPG"},      {ZEL_MEDIA_AVI, "AVI"},
    {ZEL_MEDIA_KVI, "KVI"},       {ZEL_MEDIA_JPG, "JPG"},      {ZEL_MEDIA_GIF, "GIF"},
    {ZEL_MEDIA_BMP, "BMP"},       {ZEL_MEDIA_TXT, "TXT"},      {ZEL_MEDIA_SWF, "SWF"},
    {ZEL_MEDIA_TS3, "TS3"},       {ZEL_MEDIA_UCQ, "UCQ"},      {ZEL_MEDIA_UCI, "UCI"},
    {ZEL_MEDIA_TTS, "TTS"},
};

std::string Utf8(const std::u16string& text) { return ZelToUtf8(text); }

// "2024-05-01 12:30:00" from a record's six-number time; empty when unset.
std::string RecordTime(const DWORD (&time)[6]) {
    if (time[0] == 0) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", time[0], time[1], time[2], time[3], time[4],
                  time[5]);
    return text;
}

std::u16string RecordPath(const tagDB_File& record) {
    return FieldText(record.Folder) + u"\\" + FieldText(record.FileName);
}

}  // namespace

std::string FormatSize(unsigned long long bytes) {
    if (bytes < 1024) return std::to_string(bytes) + " B";
    char text[32];
    if (bytes < 1024ull * 1024)
        std::snprintf(text, sizeof text, "%.1f KiB", static_cast<double>(bytes) / 1024);
    else
        std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024));
    return text;
}

std::string FormatTimeStamp(const std::u16string& stamp) {
    const std::string text = Utf8(stamp);
    if (text.size() != 14) return text;
    return text.substr(0, 4) + "-" + text.substr(4, 2) + "-" + text.substr(6, 2) + " " + text.substr(8, 2) + ":" +
           text.substr(10, 2) + ":" + text.substr(12, 2);
}

std::string MediaTypeName(DWORD mediaType) {
    for (const MediaName& known : kMediaNames)
        if (known.code == mediaType) return known.name;
    return HexCode(mediaType);
}

std::string ShownDevicePath(const std::u16string& devicePath) {
    std::u16string path = devicePath;
    if (path.size() >= 2 && path[1] == u':') path.erase(0, 2);
    while (!path.empty() && path.front() == u'\\') path.erase(path.begin());
    for (char16_t& c : path)
        if (c == u'\\') c = u'/';
    return path.empty() ? "/" : Utf8(path);
}

Json RecordJson(const tagDB_File& record) {
    const std::u16string devicePath = RecordPath(record);
    Json json = Json::Object();
    json.Set("path", ShownDevicePath(devicePath));
    json.Set("devicePath", Utf8(devicePath));
    json.Set("mediaType", HexCode(record.MediaType));
    json.Set("mediaName", MediaTypeName(record.MediaType));
    json.Set("size", record.FileSize);
    json.Set("title", Utf8(FieldText(record.Text1)));
    json.Set("artist", Utf8(FieldText(record.Text3)));
    json.Set("album", Utf8(FieldText(record.Text2)));
    json.Set("genre", Utf8(FieldText(record.ShortText2)));
    json.Set("year", Utf8(FieldText(record.ShortText1)));
    json.Set("track", record.Number1);
    json.Set("seconds", record.Number2);
    json.Set("order", record.OrderNumber);
    json.Set("modified", RecordTime(record.Modified));
    return json;
}

std::string RecordLine(const tagDB_File& record) {
    std::string line = ShownDevicePath(RecordPath(record));
    line += "  " + MediaTypeName(record.MediaType) + "  " + FormatSize(record.FileSize);
    const std::string title = Utf8(FieldText(record.Text1));
    const std::string artist = Utf8(FieldText(record.Text3));
    const std::string album = Utf8(FieldText(record.Text2));
    const std::string year = Utf8(FieldText(record.ShortText1));
    if (!title.empty() || !artist.empty()) {
        line += "  \"" + title + "\"";
        if (!artist.empty()) line += " by " + artist;
        if (!album.empty()) line += ", " + album;
        if (!year.empty()) line += " (" + year + ")";
        if (record.Number1 != 0) line += ", track " + std::to_string(record.Number1);
        if (record.Number2 != 0) line += ", " + std::to_string(record.Number2) + " s";
    }
    return line;
}

std::string DatabaseState(const Session& session, const PlayerEntry& entry) {
    if (entry.folder || !session.HasDatabase()) return "-";
    return entry.inDatabase ? "yes" : "no";
}

Json EntryJson(const Session& session, const PlayerEntry& entry, int depth, bool details) {
    Json json = Json::Object();
    json.Set("path", ShownDevicePath(entry.devicePath));
    json.Set("name", Utf8(entry.name));
    json.Set("type", entry.folder ? "folder" : "file");
    json.Set("depth", depth);
    json.Set("devicePath", Utf8(entry.devicePath));
    if (!entry.folder) {
        json.Set("size", entry.size);
        json.Set("mediaType", HexCode(entry.mediaType));
        json.Set("mediaName", MediaTypeName(entry.mediaType));
    }
    if (details) {
        json.Set("modified", FormatTimeStamp(entry.timeStamp));
        if (entry.folder || !session.HasDatabase()) {
            json.Set("inDatabase", Json());
        } else {
            json.Set("inDatabase", entry.inDatabase != 0);
            tagDB_File record{};
            json.Set("record", session.GetRecord(entry.devicePath, record) ? RecordJson(record) : Json());
        }
    }
    return json;
}

void Complain(const std::string& message) {
    std::fflush(stdout);
    std::fprintf(stderr, "zelhost: %s\n", message.c_str());
}

int FinishResults(const Session& session, Json results, int exitCode) {
    if (session.JsonOutput()) {
        Json json = Json::Object();
        json.Set("results", std::move(results));
        json.Set("exitCode", exitCode);
        std::fputs(json.Dump().c_str(), stdout);
    }
    return exitCode;
}

int NotOffered(const Session& session, const std::string& command, const std::string& why) {
    Complain(command + ": the player does not offer it (" + why + ")");
    return FinishResults(session, Json::Array(), kExitRefused);
}

bool ParseSwitches(const char* command, const Args& args, const std::vector<std::vector<std::string>>& spellings,
                   std::vector<bool>& switched, std::vector<std::string>& rest) {
    switched.assign(spellings.size(), false);
    for (const std::string& arg : args) {
        bool known = false;
        for (size_t k = 0; k < spellings.size() && !known; ++k) {
            for (const std::string& spelling : spellings[k]) {
                if (arg == spelling) {
                    switched[k] = true;
                    known = true;
                    break;
                }
            }
        }
        if (known) continue;
        if (arg.size() > 1 && arg[0] == '-') {
            Complain(std::string(command) + ": unknown option " + arg);
            return false;
        }
        rest.push_back(arg);
    }
    return true;
}

}  // namespace zelhost
