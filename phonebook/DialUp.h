#pragma once
// Whether a dial-up link is up: a point-to-point interface that is up and running.
bool IsDialUpConnected();
