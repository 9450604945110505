// PlayerInfos.ini: per-model lyrics settings.
#pragma once

#include <map>
#include <string>

#include "ldb_lyrics.h"

namespace ldb {

// An INI file: section -> key -> value, names upper-cased (ASCII) for lookups.
using IniSections = std::map<std::u16string, std::map<std::u16string, std::u16string>>;

// Parses INI text (UTF-8, or UTF-16 with a byte order mark). Lines starting with ';'
// or '#' are comments; keys before the first section are ignored.
IniSections ParseIni(const std::string& bytes);

// Settings of a model: each key is taken from the model's own section, else from the
// section of its family (the name without a trailing "(...)" variant), else from
// [Default], else the built-in default. Square brackets in the model name count as
// parentheses. Values outside a key's range are ignored.
PlayerSettings SettingsFor(const IniSections& ini, const std::u16string& modelName);

// Reads the table at a Windows path; a missing or unreadable file gives the defaults.
PlayerSettings LoadPlayerSettings(const char16_t* playerTable, const char16_t* modelName);

}  // namespace ldb
