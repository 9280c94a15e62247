// The product's identity: its title, version and build stamp.
#pragma once

inline constexpr const char* kProductTitle = "Lumetra Gridfall";
inline constexpr int kVersionMajor = 0;
inline constexpr int kVersionMinor = 3;
inline constexpr int kVersionPatch = 0;
// Build stamp in the compiler's forms, "Apr  8 2011" and "11:39:29". Defined once
// (core/build_stamp.cpp), so the log, standard output, the dialogs and the JSON all name the
// same moment; a __TIME__ per translation unit would differ by the seconds between them.
extern const char kBuildDate[];
extern const char kBuildTime[];
