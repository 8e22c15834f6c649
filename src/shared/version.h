/* The program's version, 0.VERSION_MINOR.VERSION_PATCH. The About box
   prints it, and scripts/package reads these two lines to name the
   release, so this is the one place it is kept. #defines only. */
#pragma once

#define VERSION_MINOR 1
#define VERSION_PATCH 0
