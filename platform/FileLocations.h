#pragma once
// The two files that live beside the executable.

// Full path of phonebook.txt / isdncall.log in the executable's folder, computed on first
// success and kept for the run. When the folder can't be worked out the user is told and the
// bare file name is returned (not kept, so the next call tries again).
const char* GetPhonebookPath();
const char* GetCallLogPath();
