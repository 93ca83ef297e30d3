// The one way window tests wait for something to happen on the X server: poll, with a limit.
#pragma once

#include <functional>

// Asks `predicate` every poll_ms until it holds or timeout_ms have passed; returns whether it
// held. The predicate is asked at least once, and again after the last pause.
bool wait_until(const std::function<bool()>& predicate, int timeout_ms, int poll_ms = 5);

// Sleeps for ms milliseconds.
void sleep_ms(int ms);
