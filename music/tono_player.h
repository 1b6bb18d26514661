// c_TonoPlayer: the procedural music player, which builds music at run time from tunes stored
// as images and from instrument samples. The game owns one (c_MyApp::m_Music); in this
// configuration (vel_Game_HasMusic = 0) the game never starts it.
#pragma once

#include "runtime/object.h"

class c_TonoPlayer : public Object {
 public:
  c_TonoPlayer() = default;
};
