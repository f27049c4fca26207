// The network game's messages: plain records, and a codec that turns one
// record into bytes and back. Every field is bounded; the decoder refuses
// anything it could not have encoded.
//
// On the wire a stream starts with the eight bytes of kStreamMagic and then
// carries frames: a 16-bit big-endian length (1 to kMaxMessageBytes) and
// that many message bytes. A browser sends and receives the very same stream
// as the payload of WebSocket binary messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace net {

constexpr char kStreamMagic[8] = {'V', 'O', 'L', 'T', 'A', 'R', 'I', '\n'};
constexpr std::size_t kStreamMagicBytes = sizeof(kStreamMagic);
constexpr std::uint32_t kHelloMagic = 0x564C5452u;  // "VLTR", first field of a hello
constexpr std::uint16_t kProtocolVersion = 3;
constexpr std::size_t kMaxMessageBytes = 512;       // one frame's body, bytes
constexpr std::size_t kFrameHeaderBytes = 2;
constexpr std::size_t kMaxBuildIdBytes = 32;        // printable ASCII
constexpr std::size_t kMaxReasonBytes = 200;        // printable ASCII
constexpr std::size_t kDataHashBytes = 32;          // SHA-256

// The events the game can produce, with the SDL 1.2 limits they live in.
constexpr std::uint16_t kKeySymLimit = 323;  // SDLK_LAST: syms are below it
constexpr std::uint8_t kMaxJoysticks = 2;    // the game reads sticks 0 and 1
constexpr std::uint8_t kMaxJoyAxes = 16;
constexpr std::uint8_t kMaxJoyButtons = 32;
constexpr std::uint8_t kMaxJoyHats = 4;
constexpr std::uint8_t kPlayers = 2;         // 0 hosts (left paddle), 1 joins (right)

enum class Kind : std::uint8_t {
    Hello = 1,      // guest -> host: who I am and what I want
    HelloReply = 2, // host -> guest: accepted as player or watcher, or refused
    Ping = 3,
    Pong = 4,
    Start = 5,      // host -> guest: the measured round trip and the input delay
    Input = 6,      // one event of one player at a virtual time
    Advance = 7,    // one player has sent every event before a virtual time
    StateHash = 8,  // the game state's hash at a virtual time
    Bye = 9,        // the sender is leaving, and why
};

enum class Role : std::uint8_t { Player = 0, Watcher = 1 };

// Why a hello was refused or a session ended; the text says it to a person.
enum class Reason : std::uint8_t {
    None = 0,
    Version = 1,     // a different protocol version
    Build = 2,       // a different game build
    Data = 3,        // different data files
    Full = 4,        // no seat left (player taken, watchers at their limit)
    Protocol = 5,    // a message the peer could not have sent
    Quit = 6,        // the peer quit the game
    Timeout = 7,     // the peer stopped answering
    Slow = 8,        // the peer did not read fast enough
    Desync = 9,      // the state hashes differ
    Seat = 10,       // the guest sent an event its seat may not make
};
constexpr std::uint8_t kReasonLimit = 11;

struct Hello {
    std::uint32_t magic = kHelloMagic;
    std::uint16_t version = kProtocolVersion;
    std::string buildId;                       // the game's version text, <= kMaxBuildIdBytes
    std::uint8_t dataHash[kDataHashBytes] = {}; // SHA-256 over the data files
    Role role = Role::Player;                  // what the guest asks to be
};

struct HelloReply {
    bool accepted = false;
    Role role = Role::Player;   // the seat given when accepted
    Reason reason = Reason::None;
    std::string text;           // for a person, on both screens; <= kMaxReasonBytes
};

struct Ping {
    std::uint32_t seq = 0;      // counts up from 0 within a measurement
    std::uint32_t sentMs = 0;   // the sender's real clock, echoed back, ms
};

// The host's settings that decide how the game goes; the guest plays by
// them (screen mode and sound stay each machine's own).
struct PlaySettings {
    std::uint8_t joy = 1;           // 1: sticks steer and drive the menu
    std::uint16_t xspeed = 0;       // px/s added to the paddles' start speed: 0, 100, 200
    std::uint8_t sbots = 0;         // taken off the computer's speed divisor: 0, 10, 20
    std::uint8_t pointsToWin = 10;  // 10, or 7
};

bool validPlaySettings(const PlaySettings& p);

struct Start {
    std::uint16_t rttMs = 0;    // measured round trip, ms
    std::uint16_t delayMs = 0;  // input delay D for the whole session, ms
    PlaySettings play;
};

enum class EventType : std::uint8_t {
    KeyDown = 1,
    KeyUp = 2,
    JoyAxis = 3,
    JoyButtonDown = 4,
    JoyButtonUp = 5,
    JoyHat = 6,
    Quit = 7,
};

// One input event in the game's own terms, without SDL.
struct InputEvent {
    EventType type = EventType::KeyDown;
    std::uint16_t sym = 0;     // key events: SDL 1.2 keysym, below kKeySymLimit
    std::uint8_t which = 0;    // joystick events: stick index
    std::uint8_t index = 0;    // axis, button or hat number
    std::int16_t value = 0;    // axis position, or hat bits (SDL_HAT_*)
};

struct Input {
    std::uint8_t player = 0;   // below kPlayers
    std::uint32_t atMs = 0;    // virtual time the event takes effect, ms
    InputEvent event;
};

struct Advance {
    std::uint8_t player = 0;
    std::uint32_t throughMs = 0;  // every event of this player before it is sent, virtual ms
};

struct StateHash {
    std::uint32_t atMs = 0;    // virtual ms
    std::uint64_t hash = 0;
};

struct Bye {
    Reason reason = Reason::Quit;
    std::string text;          // <= kMaxReasonBytes
};

// One decoded message: the kind says which member holds it.
struct Message {
    Kind kind = Kind::Bye;
    Hello hello;
    HelloReply reply;
    Ping ping;                 // Ping and Pong
    Start start;
    Input input;
    Advance advance;
    StateHash stateHash;
    Bye bye;
};

// Message bytes (the body of one frame). Fields out of bounds are clamped
// by nobody: encoding a record the decoder would refuse is a caller's bug,
// and encode then returns false.
bool encodeMessage(const Message& m, std::vector<std::uint8_t>& out);
// The whole message in data[0..size) or false with the cause in error.
bool decodeMessage(const std::uint8_t* data, std::size_t size, Message& out, std::string& error);

// Appends the frame (length prefix and body) of a message.
bool appendFrame(const Message& m, std::vector<std::uint8_t>& stream);

// Whether an event is one the game could produce.
bool validEvent(const InputEvent& e);
// Whether a text may go on the wire: printable ASCII, at most max bytes.
bool validText(const std::string& s, std::size_t maxBytes);

// Builders for the common messages.
Message helloMessage(const std::string& buildId, const std::uint8_t (&dataHash)[kDataHashBytes], Role role);
Message byeMessage(Reason reason, const std::string& text);
Message inputMessage(std::uint8_t player, std::uint32_t atMs, const InputEvent& e);

const char* kindName(Kind k);

}  // namespace net
