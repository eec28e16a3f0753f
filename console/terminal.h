// Line editing and history for cadhost on a terminal (libedit), where the
// build has it.
#pragma once

#include <string>

// Starts line editing when standard input and output are a terminal; false
// when they are not, or the build has no line editing.
bool startLineEditing();
void stopLineEditing();
// Reads one line after showing `prompt`: 1 with the line (a cancel by Ctrl-C or
// Esc reads as "^C"), 0 at the end of the input, -1 without line editing.
int readTerminalLine(const std::string& prompt, std::string& line);
