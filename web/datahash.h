// The data files' fingerprint for the page's network game, built on the
// page's own SHA-256: the same bytes as net::hashDataFiles on the desktop.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The page's SHA-256 over net::digestDataFiles.
bool sha256DataFiles(const std::vector<std::string>& paths, std::uint8_t (&out)[32], std::string& error);
