#include "game/base/inputseam.h"

namespace {
EventSource eventSource = nullptr;
}

int pollEvent(SDL_Event* event)
{
    return eventSource ? eventSource(event) : SDL_PollEvent(event);
}

void setEventSource(EventSource source) { eventSource = source; }
