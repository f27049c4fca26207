// A room's code, as people read it out: two groups of four symbols joined by
// a dash, from 32 symbols with no look-alikes (no 0/O, no 1/I), 40 bits.
// Typed in any case, with or without the dash.
#pragma once

#include <cstdint>
#include <string>

namespace net {

constexpr char kRoomCodeSymbols[] = "23456789ABCDEFGHJKLMNPQRSTUVWXYZ";
constexpr int kRoomCodeLength = 8;      // symbols
constexpr int kRoomCodeGroup = 4;       // symbols before the dash
constexpr int kRoomCodeBitsPerSymbol = 5;

// "k7qx2m9p" or "K7QX-2M9P" -> "K7QX2M9P" (the form the keys are derived
// from); false for anything else.
bool parseRoomCode(const std::string& typed, std::string& canonical);
// "K7QX2M9P" -> "K7QX-2M9P", for a person.
std::string formatRoomCode(const std::string& canonical);
// The code of 40 bits (the low ones of bits), canonical.
std::string roomCodeFromBits(std::uint64_t bits);
// A new room's code (canonical), drawn from the system's random source
// (randomBytes, net/roomkeys.h).
bool drawRoomCode(std::string& canonical);
// A peer's random id as its subjects carry it: 16 lower-case hex digits.
std::string peerIdHex(std::uint64_t id);

}  // namespace net
