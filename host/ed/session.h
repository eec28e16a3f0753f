// What the cadhost program drives: settings, input, drawings, modules and the
// command loop. The modules do not use this.
#pragma once

#include <istream>
#include <string>

#include "host/edexport.h"

namespace arxed {

struct SessionOptions {
    int releaseMajor = 0;  // 0: the build's default (25.0 wide, 16.2 narrow)
    int releaseMinor = 0;
    unsigned codePage = 0;  // 0: leave the ANSI code page as it is
    double pickbox = 0.5;
};

// Builds of the host: the release range each build emulates.
ARXED_API bool isNarrowBuild();
ARXED_API void defaultRelease(int& major, int& minor);
// True when the release is one this build can emulate (wide 17.0 and above,
// narrow below 17.0).
ARXED_API bool releaseFitsBuild(int major, int minor);

ARXED_API void startSession(const SessionOptions& options);
// Where answers come from. interactive: a terminal (answers are not echoed).
ARXED_API void setInput(std::istream* input, bool interactive);
// On a terminal: a reader that shows the prompt's last line itself and reads
// the answer with line editing (1 with a line, "^C" for a cancel; 0 at the end).
ARXED_API void setLineReader(int (*reader)(const std::string& prompt, std::string& line));
// Opens a drawing as a new current document; false (with a message) on failure.
ARXED_API bool openDrawing(const std::string& utf8Path);
// A new, empty drawing as the current document (when none was opened).
ARXED_API void newDrawing();
// Loads a module; false (with a message) on failure.
ARXED_API bool loadModuleFile(const std::string& utf8Path);
// Reads and runs commands until QUIT or the end of the input.
ARXED_API void runCommandLoop();
// Whether a command of the input failed (unknown command, a module that did
// not load).
ARXED_API bool scriptFailed();
// Unloads modules (with their messages) and closes the documents.
ARXED_API void endSession();

}  // namespace arxed
