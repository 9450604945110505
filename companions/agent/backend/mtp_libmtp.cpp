// The libmtp backend: a thin mapping of the backend calls onto libmtp. It
// holds no logic of its own (names, paths, replacing and merging are decided
// above the backend), because there is no player on the build machines to
// test it against.
#include "mtp_libmtp.h"

#include <libmtp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "zelcompat/textfn.h"

namespace zelmtp {
namespace {

// libmtp hands out texts the caller frees.
std::u16string TakeText(char* text) {
    std::u16string result = text != nullptr ? ZelFromUtf8(text) : std::u16string();
    std::free(text);
    return result;
}

// Object formats and libmtp's file types, both ways.
const struct {
    uint16_t format;
    LIBMTP_filetype_t type;
} kTypes[] = {
    {kFormatFolder, LIBMTP_FILETYPE_FOLDER}, {kFormatMp3, LIBMTP_FILETYPE_MP3},   {kFormatWma, LIBMTP_FILETYPE_WMA},
    {kFormatOgg, LIBMTP_FILETYPE_OGG},       {kFormatWav, LIBMTP_FILETYPE_WAV},   {kFormatWmv, LIBMTP_FILETYPE_WMV},
    {kFormatAvi, LIBMTP_FILETYPE_AVI},       {kFormatMpeg, LIBMTP_FILETYPE_MPEG}, {kFormatAsf, LIBMTP_FILETYPE_ASF},
    {kFormatJpeg, LIBMTP_FILETYPE_JPEG},     {kFormatBmp, LIBMTP_FILETYPE_BMP},   {kFormatGif, LIBMTP_FILETYPE_GIF},
    {kFormatPng, LIBMTP_FILETYPE_PNG},       {kFormatText, LIBMTP_FILETYPE_TEXT},
    {kFormatPlaylist, LIBMTP_FILETYPE_PLAYLIST},
};

LIBMTP_filetype_t TypeOfFormat(uint16_t format) {
    for (const auto& row : kTypes)
        if (row.format == format) return row.type;
    return LIBMTP_FILETYPE_UNKNOWN;
}

uint16_t FormatOfType(LIBMTP_filetype_t type) {
    for (const auto& row : kTypes)
        if (row.type == type) return row.format;
    return kFormatUndefined;
}

ObjectInfo InfoOf(const LIBMTP_file_t& file) {
    ObjectInfo info;
    info.handle = file.item_id;
    // libmtp marks the top of a storage with 0 (some players with 0xFFFFFFFF).
    info.parent = file.parent_id == LIBMTP_FILES_AND_FOLDERS_ROOT ? kStorageRoot : file.parent_id;
    info.storage = file.storage_id;
    info.name = file.filename != nullptr ? ZelFromUtf8(file.filename) : std::u16string();
    info.size = file.filesize;
    info.modified = static_cast<int64_t>(file.modificationdate);
    info.format = FormatOfType(file.filetype);
    return info;
}

// What the progress callback of libmtp carries.
struct ProgressCall {
    const Progress* progress;
    bool cancelled = false;
};

int OnProgress(uint64_t const sent, uint64_t const total, void const* const data) {
    auto* call = static_cast<ProgressCall*>(const_cast<void*>(data));
    if (call->progress == nullptr || !*call->progress || (*call->progress)(sent, total) == 0) return 0;
    call->cancelled = true;
    return 1;
}

class LibmtpPlayer final : public Backend {
public:
    explicit LibmtpPlayer(LIBMTP_mtpdevice_t* device) : device_(device) {}
    ~LibmtpPlayer() override { LIBMTP_Release_Device(device_); }
    LibmtpPlayer(const LibmtpPlayer&) = delete;
    LibmtpPlayer& operator=(const LibmtpPlayer&) = delete;

    Status Describe(DeviceInfo& info) override {
        info.model = TakeText(LIBMTP_Get_Modelname(device_));
        info.serial = TakeText(LIBMTP_Get_Serialnumber(device_));
        info.firmware = TakeText(LIBMTP_Get_Deviceversion(device_));
        return Status::Ok;
    }

    Status Storages(std::vector<StorageInfo>& storages) override {
        if (LIBMTP_Get_Storage(device_, LIBMTP_STORAGE_SORTBY_NOTSORTED) != 0) return LastError();
        storages.clear();
        for (LIBMTP_devicestorage_t* s = device_->storage; s != nullptr; s = s->next) {
            StorageInfo storage;
            storage.id = s->id;
            storage.description = s->StorageDescription != nullptr ? ZelFromUtf8(s->StorageDescription) : u"";
            storage.capacity = s->MaxCapacity;
            storage.freeSpace = s->FreeSpaceInBytes;
            storages.push_back(storage);
        }
        return Status::Ok;
    }

    Status Children(uint32_t storage, uint32_t parent, std::vector<ObjectInfo>& children) override {
        LIBMTP_Clear_Errorstack(device_);
        LIBMTP_file_t* files = LIBMTP_Get_Files_And_Folders(
            device_, storage, parent == kStorageRoot ? LIBMTP_FILES_AND_FOLDERS_ROOT : parent);
        children.clear();
        while (files != nullptr) {
            LIBMTP_file_t* next = files->next;
            children.push_back(InfoOf(*files));
            LIBMTP_destroy_file_t(files);
            files = next;
        }
        return LIBMTP_Get_Errorstack(device_) != nullptr && children.empty() ? LastError() : Status::Ok;
    }

    Status Object(uint32_t handle, ObjectInfo& info) override {
        LIBMTP_file_t* file = LIBMTP_Get_Filemetadata(device_, handle);
        if (file == nullptr) return Status::NotFound;
        info = InfoOf(*file);
        LIBMTP_destroy_file_t(file);
        return Status::Ok;
    }

    Status CreateFolder(uint32_t storage, uint32_t parent, const std::u16string& name, ObjectInfo& made) override {
        std::string utf8 = ZelToUtf8(name);
        LIBMTP_Clear_Errorstack(device_);
        const uint32_t handle = LIBMTP_Create_Folder(device_, utf8.data(), parent, storage);
        if (handle == 0) return LastError();
        return Object(handle, made);
    }

    Status SendFile(const std::string& hostPath, uint32_t storage, uint32_t parent, const std::u16string& name,
                    uint16_t format, const Progress& progress, ObjectInfo& made) override {
        struct stat source;
        if (stat(hostPath.c_str(), &source) != 0 || !S_ISREG(source.st_mode)) return Status::NotFound;
        LIBMTP_file_t* file = LIBMTP_new_file_t();
        file->filename = strdup(ZelToUtf8(name).c_str());
        file->filesize = static_cast<uint64_t>(source.st_size);
        file->filetype = TypeOfFormat(format);
        file->parent_id = parent;
        file->storage_id = storage;
        ProgressCall call{&progress};
        LIBMTP_Clear_Errorstack(device_);
        const int answer = LIBMTP_Send_File_From_File(device_, hostPath.c_str(), file, OnProgress, &call);
        Status status = Status::Ok;
        if (answer != 0) {
            status = call.cancelled ? Status::Cancelled : LastError(Status::WriteError);
            // A player that kept part of the object gets it removed.
            if (file->item_id != 0) LIBMTP_Delete_Object(device_, file->item_id);
        } else {
            status = Object(file->item_id, made);
        }
        LIBMTP_destroy_file_t(file);
        return status;
    }

    Status ReadFile(uint32_t handle, const std::string& hostPath, const Progress& progress) override {
        ProgressCall call{&progress};
        LIBMTP_Clear_Errorstack(device_);
        if (LIBMTP_Get_File_To_File(device_, handle, hostPath.c_str(), OnProgress, &call) == 0) return Status::Ok;
        unlink(hostPath.c_str());
        return call.cancelled ? Status::Cancelled : LastError();
    }

    Status Delete(uint32_t handle) override {
        LIBMTP_Clear_Errorstack(device_);
        return LIBMTP_Delete_Object(device_, handle) == 0 ? Status::Ok : LastError();
    }

    Status WritePlaylist(uint32_t storage, uint32_t parent, const std::u16string& name,
                         const std::vector<uint32_t>& items, uint32_t replacing, ObjectInfo& made) override {
        LIBMTP_Clear_Errorstack(device_);
        LIBMTP_playlist_t* playlist = replacing != 0 ? LIBMTP_Get_Playlist(device_, replacing) : LIBMTP_new_playlist_t();
        if (playlist == nullptr) return Status::NotFound;
        if (replacing == 0) {
            playlist->name = strdup(ZelToUtf8(name).c_str());
            playlist->parent_id = parent;
            playlist->storage_id = storage;
        }
        std::free(playlist->tracks);
        playlist->tracks = static_cast<uint32_t*>(std::malloc(sizeof(uint32_t) * (items.empty() ? 1 : items.size())));
        if (!items.empty()) std::memcpy(playlist->tracks, items.data(), sizeof(uint32_t) * items.size());
        playlist->no_tracks = static_cast<uint32_t>(items.size());
        const int answer = replacing != 0 ? LIBMTP_Update_Playlist(device_, playlist)
                                          : LIBMTP_Create_New_Playlist(device_, playlist);
        const uint32_t handle = playlist->playlist_id;
        LIBMTP_destroy_playlist_t(playlist);
        if (answer != 0) return LastError(Status::WriteError);
        return Object(handle, made);
    }

    Status PlaylistItems(uint32_t handle, std::vector<uint32_t>& items) override {
        LIBMTP_playlist_t* playlist = LIBMTP_Get_Playlist(device_, handle);
        if (playlist == nullptr) return Status::NotFound;
        items.assign(playlist->tracks, playlist->tracks + playlist->no_tracks);
        LIBMTP_destroy_playlist_t(playlist);
        return Status::Ok;
    }

    Status Format(uint32_t storage) override {
        if (LIBMTP_Get_Storage(device_, LIBMTP_STORAGE_SORTBY_NOTSORTED) != 0) return LastError();
        for (LIBMTP_devicestorage_t* s = device_->storage; s != nullptr; s = s->next)
            if (s->id == storage) return LIBMTP_Format_Storage(device_, s) == 0 ? Status::Ok : LastError();
        return Status::NotFound;
    }

private:
    // The status the newest error of libmtp's error stack stands for.
    Status LastError(Status otherwise = Status::Failed) {
        Status status = otherwise;
        for (LIBMTP_error_t* error = LIBMTP_Get_Errorstack(device_); error != nullptr; error = error->next) {
            switch (error->errornumber) {
            case LIBMTP_ERROR_STORAGE_FULL: status = Status::StorageFull; break;
            case LIBMTP_ERROR_NO_DEVICE_ATTACHED: status = Status::Gone; break;
            case LIBMTP_ERROR_CANCELLED: status = Status::Cancelled; break;
            default: break;
            }
        }
        LIBMTP_Clear_Errorstack(device_);
        return status;
    }

    LIBMTP_mtpdevice_t* device_;
};

// "bus:device" as two numbers; false for anything else.
bool ParseBusDevice(const std::string& text, uint32_t& bus, uint32_t& device) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) return false;
    char* end = nullptr;
    bus = static_cast<uint32_t>(std::strtoul(text.c_str(), &end, 10));
    if (end != text.c_str() + colon) return false;
    device = static_cast<uint32_t>(std::strtoul(text.c_str() + colon + 1, &end, 10));
    return *end == 0;
}

}  // namespace

std::unique_ptr<Backend> OpenLibmtpPlayer(const std::string& selector) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { LIBMTP_Init(); });

    LIBMTP_raw_device_t* raw = nullptr;
    int count = 0;
    if (LIBMTP_Detect_Raw_Devices(&raw, &count) != LIBMTP_ERROR_NONE || raw == nullptr) return nullptr;
    uint32_t bus = 0, number = 0;
    const bool byLocation = ParseBusDevice(selector, bus, number);
    LIBMTP_mtpdevice_t* chosen = nullptr;
    for (int k = 0; k < count && chosen == nullptr; ++k) {
        if (byLocation && (raw[k].bus_location != bus || raw[k].devnum != number)) continue;
        LIBMTP_mtpdevice_t* device = LIBMTP_Open_Raw_Device_Uncached(&raw[k]);
        if (device == nullptr) continue;
        if (!byLocation && !selector.empty()) {
            char* serial = LIBMTP_Get_Serialnumber(device);
            const bool matches = serial != nullptr && selector == serial;
            std::free(serial);
            if (!matches) {
                LIBMTP_Release_Device(device);
                continue;
            }
        }
        chosen = device;
    }
    std::free(raw);
    if (chosen == nullptr) return nullptr;
    return std::make_unique<LibmtpPlayer>(chosen);
}

}  // namespace zelmtp
