// The magics of the user's overlay files, each written in the typed
// container (overlays/serializable.h).
#pragma once

#include <cstdint>

constexpr uint32_t kMarksFileMagic = 0xCA2EAF82;   // marks.ovtf
constexpr uint32_t kRoutesFileMagic = 0xDA2EAF93;  // routes.ovtf
constexpr uint32_t kTracksFileMagic = 0x0A2089E8;  // tracks.ovtf
