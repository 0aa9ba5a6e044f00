#pragma once

#include <functional>

// Ending the program at once, from wherever the user's answer decides it: the login, the
// database location dialog, the exit command. Code that resumes after a modal window
// checks programEnding() and returns without doing anything more.
namespace ProgramEnd {

void now();
bool programEnding();

// What now() does besides marking the end: by default it leaves every event loop. Tests
// replace it, and clear the mark between cases.
void setHandler(std::function<void()> handler);
void clear();

} // namespace ProgramEnd
