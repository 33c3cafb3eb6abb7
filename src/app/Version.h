/* The program's version, in one place: the resource script's version block,
   the build's project version and the release package name all read it. */
#pragma once

#define TOLLIVANE_VERSION_MAJOR 1
#define TOLLIVANE_VERSION_MINOR 0
#define TOLLIVANE_VERSION_PATCH 0
#define TOLLIVANE_VERSION_TEXT "1.0.0"
