#include "forms/common/programend.h"

#include <QCoreApplication>

namespace {

struct EndState
{
    bool ending = false;
    std::function<void()> handler;
};

EndState &endState()
{
    static EndState state;
    return state;
}

} // namespace

namespace ProgramEnd {

void now()
{
    EndState &state = endState();
    state.ending = true;
    if (state.handler)
        state.handler();
    else
        QCoreApplication::exit(0);
}

bool programEnding()
{
    return endState().ending;
}

void setHandler(std::function<void()> handler)
{
    endState().handler = std::move(handler);
}

void clear()
{
    endState().ending = false;
}

} // namespace ProgramEnd
