// FAT's rules for names, as zelhost applies them before it makes a file or a
// folder on a player whose drive is FAT (the library's drive layer refuses such
// names too, but zelhost says which rule and can change the name instead).
#pragma once

#include <string>

#include "ZELDevice/ZELDevice.h"

namespace zelhost {

class Session;

// What a rule means, for people. With the name, the message says what in it
// breaks the rule; withOption adds how --fat-names would change it.
std::string FatRuleMessage(ZelNameRule rule, const std::u16string& name, bool withOption);

// The name with what FAT refuses changed: each refused character and each dot
// or space at the end becomes "_", a device name gets "_" after its base
// (CON.mp3 -> CON_.mp3). A name too long stays as it is.
std::u16string FatSafeName(const std::u16string& name);

// Checks a name about to be made on the player. On a FAT player a name that
// breaks a rule is changed (--fat-names) or refused: false with message
// naming the rule. Always true on other players.
bool FitFatName(const Session& session, std::u16string& name, std::string& message);

// What a failed call's last error says that its result code does not: the
// player being full, or a FAT rule; empty for any other error.
std::string LastErrorDetail(DWORD error);

}  // namespace zelhost
