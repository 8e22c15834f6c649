/* The program's version, 0.VERSION_MINOR.VERSION_PATCH. The About box
   prints it, the file's version resource carries it, and scripts/package
   reads these two lines to name the release, so this is the one place it
   is kept. Read by the resource compiler too: #defines only. */
#pragma once

#define VERSION_MINOR 1
#define VERSION_PATCH 0
