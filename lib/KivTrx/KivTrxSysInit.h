// KivTrxSysInit: the translation framework's start-up unit. Its initialisation checks
// the resource module the program chose at start and, when it was made for another
// build, has it rebuilt before the first form is created.
#pragma once

void InitializeKivTrxSysInit();
