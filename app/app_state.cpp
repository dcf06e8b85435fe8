#include "app/app_state.h"

AppState appState;
HINSTANCE appInstance;

void ReleaseMapPreview()
{
    if (appState.mapPreview) {
        DeleteObject(appState.mapPreview);
        appState.mapPreview = NULL;
    }
}
