#include "game/base/inputseam.h"

namespace {
EventSource eventSource;
}

int pollFrom(const EventSource& source, SDL_Event* event)
{
    return source.poll ? source.poll(source.context, event) : SDL_PollEvent(event);
}

int pollEvent(SDL_Event* event)
{
    return pollFrom(eventSource, event);
}

void setEventSource(const EventSource& source) { eventSource = source; }
