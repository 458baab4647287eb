#pragma once
// Reads action byte code as movies hold it: the code is kept whole for a script engine, and the
// simple timeline actions in it (stop, play, go to a frame, next and previous frame) are picked
// out for the player to run itself. Also buttons (DefineButton 1 and 2, DefineButtonCxform).
// Platform-neutral.
#include "CBitReader.h"
#include "ModelBudget.h"
#include "SwfTypes.h"

// The block runs to its end action or the end of the reader; false when over budget.
bool ReadActionBlock(CBitReader& reader, ActionBlock& block, CModelBudget& budget);

// The clip actions of a PlaceObject2/3 (movie version 6 and up has 32-bit event flags).
bool ReadClipActions(CBitReader& reader, int movieVersion, std::vector<ClipAction>& actions, CModelBudget& budget);

// Passes over a filter list (PlaceObject3, DefineButton2 records): filters are not drawn.
bool SkipFilters(CBitReader& reader);

bool ReadButton(CBitReader& reader, int version, Button& button, CModelBudget& budget);
// Applies DefineButtonCxform's colour transform to every character of the button.
void ReadButtonCxform(CBitReader& reader, Button& button);
