// Loading and unloading module files, with their messages.
#pragma once

#include <string>

namespace arxed {

// Loads a module file (the .arx extension may be left out; a bare name is also
// looked for next to the program). printit: say so on the command line.
bool loadModule(const std::string& nameOrPath, bool printit);
bool unloadModule(const std::string& nameOrPath, bool printit);
// At the end of the session: every module gets its quit messages and is
// unloaded, locked or not.
void unloadAllModules();

}  // namespace arxed
