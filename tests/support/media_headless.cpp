// Every test process runs on SDL's dummy video and audio drivers, however
// the binary is started (CTest's environment list reaches only the first
// variable). A test that wants another driver sets it itself.
#include <cstdlib>

namespace {

const bool headless = [] {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    return true;
}();

}  // namespace
