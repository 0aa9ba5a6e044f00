#pragma once

#include <functional>

// Ending the program at once, from wherever the user's answer decides it: the login, the
// database location dialog, the exit command. Code that resumes after a modal window
// checks programEnding() and returns without doing anything more.
namespace ProgramEnd {

// exitCode: 0 when the program did what it was asked, 1 when it ends because it failed
// (a database that could not be opened), as the shell and the session's journal see it.
void now(int exitCode = 0);
bool programEnding();
int exitCode();

// What now() does besides marking the end: by default it leaves every event loop. Tests
// replace it, and clear the mark between cases.
void setHandler(std::function<void()> handler);
void clear();

} // namespace ProgramEnd
