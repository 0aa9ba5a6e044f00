#pragma once

#include <chrono>
#include <functional>

class QEventLoop;

// Runs loop until it quits, the way the program waits for its database: the windows repaint
// and their timers run (the clock goes on), the user's input waits until the wait is over,
// and a request to close a window is refused. Once the wait has lasted showReadingAfter,
// the reading indicator is told, until the wait ends.
void waitHoldingInput(QEventLoop &loop, std::chrono::milliseconds showReadingAfter);

// Told true when the program has been waiting for its database for a moment and false when
// the wait ends, so that the windows can show that the database is being read (a busy
// cursor, a word in the status bar). The core has no windows: the windows layer installs
// it; an empty one shows nothing.
using ReadingIndicator = std::function<void(bool reading)>;
void setReadingIndicator(ReadingIndicator indicator);
