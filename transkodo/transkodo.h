// The recoding module: what its parts share. The entry point and the
// application object (transkodo.cpp) register the commands; the dialogs
// (dialogs.cpp) edit `recodeOptions`; the commands (commands.cpp) run the
// drawing walk.
#pragma once

#include "host/aced.h"
#include "platform/module.h"

// The module's instance handle: where its dialog templates are found. Known
// from the first message the host sends.
HINSTANCE transkodoInstance();

// The options dialog (template 101): direction and every option. True on OK,
// when the choices have been written to `recodeOptions`.
bool showOptionsDialog();
// The direction dialog (template 102). On OK it writes the direction and turns
// the text-entity and extended-data options on.
bool showDirectionDialog();

// The commands.
void transkodoCurrentDrawing();  // "TranskodoCP", "Transkodo"
void transkodoFiles();           // "TranskodoFiles"
void transkodoStrings();         // "TranskodoStr"
