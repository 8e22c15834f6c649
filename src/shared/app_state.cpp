#include "shared/app_state.h"

AppState InitialAppState()
{
    AppState state = {};
    state.fillMode = true;
    return state;
}

AppState g_app = InitialAppState();
