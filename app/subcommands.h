#pragma once
// The subcommands of `tessaly`. Each takes the arguments after its own name and
// returns the exit status: 0 success, 1 something was reported, 2 wrong usage.

#include <string>
#include <vector>

namespace tessaly {

using Arguments = std::vector<std::string>;

int cardsCommand(const Arguments& arguments);
int convertCommand(const Arguments& arguments);
int verifyPstCommand(const Arguments& arguments);

}  // namespace tessaly
