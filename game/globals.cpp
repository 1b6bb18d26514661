// The game module's globals and the credits table.
#include "game/my_app.h"

namespace {

// Where the music comes from, fixed when the game is built: the streamed tune, or the
// procedural player.
#ifdef ZIPKIN_PROCEDURAL_MUSIC
const int kHasMusicStream = 0;
const int kHasMusic = 1;
#else
const int kHasMusicStream = 1;
const int kHasMusic = 0;
#endif

}  // namespace

float vel_Game_rawscrw = 640.0f;
float vel_Game_rawscrh = 480.0f;
float vel_Game_jscrw = 640.0f;
float vel_Game_jscrh = 480.0f;
float vel_Game_overscan = 0.0f;
int vel_Game_DebugMode = 0;
int vel_Game_iCadeControls = 0;
int vel_Game_HasMusicStream = kHasMusicStream;
int vel_Game_HasMusic = kHasMusic;
int vel_Game_isOuya = 0;
int vel_Game_OnScreenControls = 0;
int vel_Game_AccelerometerControls = 0;
Array<String> vel_Game_CreditText;

namespace {

// Fifty lines, read in a cycle by the credits box: sections separated by "-=-=-",
// spacer lines between, and "End" last.
const char* const kCredits[50] = {
    "Zipkin in Direv",
    "",
    "-=-=-",
    "Game Design",
    "The Zipkin Team",
    "",
    "-=-=-",
    "Programming",
    "Runtime and Host",
    "Renderer and Audio",
    "Gameplay and Menus",
    "",
    "-=-=-",
    "Graphics",
    "Planets and Critters",
    "Badges and Buttons",
    "Fonts and Logos",
    "",
    "-=-=-",
    "Music and Sound",
    "Universe Theme",
    "Tono Player Tunes",
    "Effects Workshop",
    "",
    "-=-=-",
    "Testing",
    "Many Brave Players",
    "",
    "-=-=-",
    "Built With",
    "GLFW",
    "OpenGL",
    "OpenAL Soft",
    "stb_image",
    "libvorbis",
    "",
    "-=-=-",
    "Special Thanks",
    "Everyone Who Played",
    "Our Families",
    "The Night Sky",
    "",
    "-=-=-",
    "Zipkin Will Return",
    "",
    "Thanks For Playing",
    "",
    "-=-=-",
    "",
    "End",
};

}  // namespace

void vel_Game_Init() {
  vel_Game_isOuya = 0;
  vel_Game_overscan = 0.0f;
  vel_Game_jscrw = 640.0f;
  vel_Game_jscrh = 480.0f;
  vel_Game_HasMusic = kHasMusic;
  vel_Game_DebugMode = 0;
  vel_Game_rawscrw = 640.0f;
  vel_Game_rawscrh = 480.0f;
  vel_Game_iCadeControls = 0;
  vel_Game_HasMusicStream = kHasMusicStream;
  Array<String> lines(50);
  for (int i = 0; i < 50; ++i) lines[i] = String(kCredits[i]);
  vel_Game_CreditText = lines;
  gc_register_root(&vel_Game_CreditText);
  vel_Game_OnScreenControls = 0;
  vel_Game_AccelerometerControls = 0;
}
