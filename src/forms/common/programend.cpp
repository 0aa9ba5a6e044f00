#include "forms/common/programend.h"

#include <QCoreApplication>

namespace {

struct EndState
{
    bool ending = false;
    int exitCode = 0;
    std::function<void()> handler;
};

EndState &endState()
{
    static EndState state;
    return state;
}

} // namespace

namespace ProgramEnd {

void now(int exitCode)
{
    EndState &state = endState();
    state.ending = true;
    state.exitCode = exitCode;
    if (state.handler)
        state.handler();
    else
        QCoreApplication::exit(exitCode);
}

bool programEnding()
{
    return endState().ending;
}

int exitCode()
{
    return endState().exitCode;
}

void setHandler(std::function<void()> handler)
{
    endState().handler = std::move(handler);
}

void clear()
{
    endState().ending = false;
    endState().exitCode = 0;
}

} // namespace ProgramEnd
