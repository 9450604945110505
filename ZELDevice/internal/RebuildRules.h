// The rules a database rebuild follows for each model family: which route
// rebuilds the database, which files the folder walk takes, and the category
// folders of the players that sort their media by folder.
#pragma once

#include "zelcompat/cstring.h"

namespace zelcore {

// How a player's database is rebuilt, by its model name.
enum class RebuildRoute {
    Agent,    // "RV-300", "RV-500", "RV-505": the device agent rebuilds it
    LogFile,  // "RW-LC8": log templates copied into the media folders, records added
    M41,      // "RW-M41", "RW-M43": a new database, music files only
    Others,   // every other model: a new database, everything but SYSTEM and RECORDED
};

inline RebuildRoute RebuildRouteOf(const CString& model) {
    if (model == u"RV-300" || model == u"RV-500" || model == u"RV-505") return RebuildRoute::Agent;
    if (model == u"RW-LC8") return RebuildRoute::LogFile;
    if (model == u"RW-M41" || model == u"RW-M43") return RebuildRoute::M41;
    return RebuildRoute::Others;
}

// Models whose database takes MP3, WMA and OGG files only, in every folder:
// the M41 family and the two RV models of the same player.
inline bool TakesOnlyM41Music(const CString& model) {
    return model == u"RV-M41" || model == u"RV-M43" || model == u"RW-M41" || model == u"RW-M43";
}
inline bool IsM41Music(const CString& upperExtension) {
    return upperExtension == u"MP3" || upperExtension == u"WMA" || upperExtension == u"OGG";
}

// Players that sort their media into category folders, each with its own
// extension list ("PHW-B2200" and its MTP twin "PHW-B2200[MTP]").
inline bool SortsByCategory(const CString& model) { return model.Find(u"PHW-B2200") >= 0; }
// Of those, the two whose root holds only the category folders.
inline bool WalksOnlyCategoryFolders(const CString& model) {
    return model == u"PHW-B2200" || model == u"PHW-B2200[MTP]";
}

struct CategoryFolder {
    const char16_t* name;        // the folder, as the category is named
    const char16_t* extensions;  // upper case, searched as text
};
inline constexpr CategoryFolder kCategoryFolders[] = {
    {u"Music", u"MP2,MP3,WMA,OGG,WAV,CDA"},
    {u"Photo", u"JPG,JPE,JPEG"},
    {u"Video", u"AVI,KVI,ASF,WMV,MPG,MPE,MPEG,MP4,MOV,MKV"},
    {u"Imported Files", u"MP3,WAV"},
};

// The category a root folder of that name stands for (its name compared
// without regard to case), or null.
inline const CategoryFolder* CategoryOfFolder(const CString& name) {
    for (const CategoryFolder& category : kCategoryFolders)
        if (name.CompareNoCase(category.name) == 0) return &category;
    return nullptr;
}
// The extension list of a category, compared as it is written; null for any
// other category (every file is then taken).
inline const char16_t* CategoryExtensions(LPCWSTR category) {
    for (const CategoryFolder& known : kCategoryFolders)
        if (CString(category) == known.name) return known.extensions;
    return nullptr;
}

// An extension occurs in a list (substring search); a name without one matches nothing.
inline bool ExtensionInList(const CString& list, const CString& upperExtension) {
    return !upperExtension.IsEmpty() && list.Find(upperExtension) >= 0;
}

}  // namespace zelcore
