#pragma once
// The call log isdncall.log: one line per reported call, written by the log owner.

#include <functional>

// Appends "dd/mm/yy HH:MM:SS;calling;called;name" CR LF. Takes the log-owner role when the
// copy that held it has gone.
void AppendCallLog(const char* calling, const char* called, const char* name);

// Called (on the calling thread) when this copy takes the role during AppendCallLog, so the
// notification window can repaint its role letter at once. The window installs it.
void SetLogOwnerChangedHook(std::function<void()> hook);
