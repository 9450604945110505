// The --help texts of zelhost and of each command.
#pragma once

#include <string>

namespace zelhost {

// Prints the help of a command, or the overview for an empty name. False for an unknown command.
bool PrintHelp(const std::string& command);

}  // namespace zelhost
