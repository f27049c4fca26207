// A network session as a replay script: the host's play settings as setup
// lines, then every event both games got, at its virtual time. The replay
// runner plays it back in one process, so a session that went apart can be
// played again and looked into.
#pragma once

#include <string>
#include <vector>

#include "net/lockstep.h"
#include "net/protocol.h"

std::string sessionReplayText(const net::PlaySettings& play, const std::vector<net::Stamped>& played,
                              const std::string& title);
