/* The program's version, 0.VERSION_MINOR.VERSION_PATCH: the file's
   version resource carries it (as 0.MINOR.PATCH.0), and scripts/package
   reads these two lines to name the release and its users' files. The
   About box's version line formats these two numbers too, beside its
   fixed date, "Version 0.1.0.0(2019/5/14)" at this version; its test
   compares that line as written (docs/releasing.md, "The version").
   Read by the resource compiler too: #defines only. */
#pragma once

#define VERSION_MINOR 1
#define VERSION_PATCH 0
