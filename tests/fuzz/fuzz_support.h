// Small helpers shared by the fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A fresh folder under $TMPDIR (or /tmp), removed when the process exits.
std::string scratchFolder();

// Writes exactly these bytes to path, replacing what a file there held.
void writeFileBytes(const std::string& path, const void* data, size_t size);

// Ends the run as a crash, with the reason on stderr, when ok is false:
// libFuzzer then saves the input.
void require(bool ok, const char* what);

// SDL's dummy video and audio drivers, whatever the environment says.
void useHeadlessDrivers();
