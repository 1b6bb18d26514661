// The screens and boxes that the frame loop runs by mode. Each one is built by the issue that
// adds that screen; until then the frame loop calls them and they queue nothing.
#include "game/my_app.h"

int c_MyApp::p_LoadMenu() { return 0; }
int c_MyApp::p_BadgesBox() { return 0; }
int c_MyApp::p_ShowBadges() { return 0; }
int c_MyApp::p_Save() { return 0; }
int c_MyApp::p_Load() { return 0; }
