// c_MyApp: the game. Every piece of game state is a field of this one object; the host
// drives it through p_OnCreate, p_OnUpdate (60 times a second), p_OnRender, p_OnSuspend and
// p_OnResume.
//
// All logic runs in the update. Drawing operations (drawing.cpp) do not draw: they append
// 15-float commands to m_DrawList, and p_OnRender replays the list of the last update,
// fitted to the device. The game is laid out on a virtual screen of design size 640 by 480
// (vel_Game_rawscrw x vel_Game_rawscrh); the size in use, vel_Game_jscrw x vel_Game_jscrh,
// is recomputed every render so that it fills the device at one uniform scale.
//
// The methods are split by concern: state and frame loop (my_app.cpp), loading (loading.cpp),
// drawing and text (drawing.cpp), controls (controls.cpp), particles and stars
// (particles.cpp), sound (sound.cpp), scores (scores.cpp), badges (badges.cpp), the saved
// state (saving.cpp), and the screens.
#pragma once

#include "host/app.h"
#include "runtime/runtime.h"

class c_Image;
class c_Sound;
class c_TonoPlayer;

// The game module's globals.
extern float vel_Game_rawscrw;
extern float vel_Game_rawscrh;
extern float vel_Game_jscrw;
extern float vel_Game_jscrh;
extern float vel_Game_overscan;
extern int vel_Game_DebugMode;
extern int vel_Game_iCadeControls;
extern int vel_Game_HasMusicStream;
extern int vel_Game_HasMusic;
extern int vel_Game_isOuya;
extern int vel_Game_OnScreenControls;
extern int vel_Game_AccelerometerControls;
extern Array<String> vel_Game_CreditText;

// Sets the game module's globals (part of the program's start-up).
void vel_Game_Init();

// Marker of an unset optional float argument; also the kind of a rectangle command and the
// position of a touch that is up.
const float kUnset = -3717.0f;
// Kinds of non-image draw commands.
const float kDrawRect = -3717.0f;
const float kDrawOval = -3716.0f;
const float kDrawLine = -3715.0f;
// Floats per draw command, and the highest m_DrawCount at which one more still fits
// (so the list holds at most 2499 commands).
const int kCommandFloats = 15;
const int kDrawListFloats = 37500;
const int kLastCommandStart = 37484;

class c_MyApp : public c_App {
 public:
  c_MyApp();
  c_MyApp* m_new();
  void mark() override;

  int p_OnCreate() override;
  int p_OnSuspend() override;
  int p_OnResume() override;
  int p_OnUpdate() override;
  int p_OnRender() override;

  // Frame loop.
  int p_InGame();
  int p_ResetDraw();
  void FitScreen(int deviceW, int deviceH);
  void ReplayDrawList();

  // Loading (loading.cpp).
  void ChooseResolution();
  // Tells the player on standard output that a data file could not be loaded (the game goes
  // on without it) and returns whether `loaded` is set.
  static bool Loaded(const void* loaded, const String& file);
  int p_LoadImg(int n, String name, int w, int h, int frames, int flags);
  int p_LoadFont(int n, String name, int advance, int height);
  int p_Reload();
  int p_Loader();
  int p_WaitStart(int mode);
  int p_FullscreenFlip();

  // Drawing and text (drawing.cpp).
  int p_CLS2D(float r = kUnset, float g = kUnset, float b = kUnset, float a = kUnset);
  int p_SetSize(float sx, float sy = kUnset);
  int p_SetRot(float angle);
  int p_SetCol(float r, float g, float b, float a = kUnset);
  int p_Alpha(float a);
  int p_DrawImg(int img, float x, float y, float frame);
  int p_Rect(float x, float y, float w, float h);
  int p_Oval(float x, float y, float rx, float ry);
  int p_Line(float x1, float y1, float x2, float y2);
  int p_Text(float x, float y, String text, float ax, float ay);
  String p_rstr(int value, int digits, String pad);
  int p_Button(int img, float x, float y, int frame);
  int p_Button0(int img, float x, float y, int frame);
  int p_Touch(float x, float y, float w, float h);
  int p_MouseIn_Centered(float x, float y, float w, float h);
  // Measure of a text as p_Text lays it out (whole string, all lines).
  int TextWidth(const String& spaced, int cellWidth);

  // Controls (controls.cpp).
  int p_PlayKey(int code, int analog, int pad);
  int p_AnalogueControl();
  int p_iCade(int on);
  void DecodeICade();

  // Particles and stars (particles.cpp).
  int p_Rand(float lo, float hi);
  int p_ResetStars(int n);
  int p_DoStars(float dx, float dy);
  int p_ResetParticles(int n);
  float p_FreeParticle();
  int p_AddParticle(int kind, float x, float y, float vx, float vy, int frame, int ink, int life);
  int p_ThrowParticle(float x, float y, int kind, int ink, float angle = kUnset, float speed = kUnset);
  int p_DoParticles();
  int p_Ink(int ink, int level);

  // Sound (sound.cpp).
  int p_LoadSFX(int n);
  int p_PlaySFX(int n, float rate, float volume, float pan);
  int p_PlaySFX(int n, float volume) { return p_PlaySFX(n, 1.0f, volume, 0.0f); }
  int p_PlayTune(String name, int loop);
  int p_StopTune();

  // Play (gameplay.cpp).
  int p_LoadGame();
  int p_Game();
  int p_GameOver();
  int p_AddBad(int planet, int angle);
  int p_AddGem();
  int p_Gimme(int points, float x, float y);
  // Signed shortest turn from one angle to another (the game passes lo 0, hi 359).
  static int m_WhichWayDoIGo(float from, float to, float lo, float hi);

  // Scores (scores.cpp).
  // Place 0..9 that a score takes in the best table of m_Difficulty, or -1.
  int BestPlace(int score);
  String p_MyNth();
  int p_LoadMenu();

  // Badges (badges.cpp).
  String p_BadgeID(int n);
  String p_BadgeName(int n);
  String p_BadgeDetail(int n);
  int p_ShowBadges();
  int p_BadgesBox();

  // The saved state (saving.cpp).
  // The state string of the current options, badges and scores.
  String StateString();
  int p_Save();
  int p_Load();

  // Main menu and options box (menu.cpp).
  int p_Menu();
  int p_OptionBox();
  // A control held on any of pads 0..3 (the stick counts): the number of pads holding it.
  int Held(int code);
  // The three layers of the options cog at the pen's size; whether a pointer presses it.
  int DrawCog(float x, float y);
  int AnyBoxOpen();
  void MenuSelect(int item);
  void MenuActivate();
  void CloseOptions();

  // Pause, credits and quit dialogs (dialogs.cpp).
  int p_PauseMenu();
  int p_CreditBox();
  int p_OuyaQuit();

  // Mode and flow.
  int m_Mode = 0;
  int m_LoadStep = 0;
  int m_Loaded = 0;
  int m_Paused = 0;
  int m_PauseDir = 0;
  int m_PauseSlide = 0;
  int m_PauseSel = 0;
  int m_CreditsOpen = 0;
  int m_OptionsOpen = 0;
  int m_BadgesOpen = 0;
  int m_CreditsSlide = 0;
  int m_OptionsSlide = 0;
  int m_MenuTimer = 0;
  int m_Difficulty = 0;
  int m_HideHud = 0;
  int m_Loop = 0;

  // Display and scaling.
  int m_DeviceW = 0;
  int m_DeviceH = 0;
  float m_ScaleX = 0;
  float m_ScaleY = 0;
  int m_ScaleMode = 0;
  int m_Landscape = 0;
  float m_ClsR = 0;
  float m_ClsG = 0;
  float m_ClsB = 0;
  float m_ClsA = 0;
  int m_HdFactor = 0;
  float m_ImgScale = 0;

  // Frame timing.
  int m_UpdateLastMs = 0;
  int m_UpdateFps = 0;
  int m_UpdateFpsAvg = 0;
  int m_RenderLastMs = 0;
  int m_RenderFps = 0;
  int m_RenderFpsAvg = 0;

  // Pointer and touch, in virtual units.
  int m_MouseX = 0;
  int m_MouseY = 0;
  int m_PrevMouseX = 0;
  int m_PrevMouseY = 0;
  int m_MouseDown = 0;
  int m_MouseWasDown = 0;
  Array<int> m_TouchDown;
  Array<int> m_TouchX;
  Array<int> m_TouchY;
  int m_ClickLatch = 0;
  int m_KeyLatch = 0;

  // Controls.
  Array<int> m_Control;
  int m_CharCode = 0;
  float m_SteerX = 0;
  float m_SteerY = 0;
  int m_DragX = 0;
  int m_DragY = 0;
  float m_KeyPushX = 0;
  float m_KeyPushY = 0;

  // Pen and draw list.
  float m_SizeX = 0;
  float m_SizeY = 0;
  float m_Rot = 0;
  float m_ColR = 0;
  float m_ColG = 0;
  float m_ColB = 0;
  float m_Alpha = 0;
  int m_Blend = 0;
  Array<float> m_DrawList;
  int m_DrawCount = 0;
  int m_ButtonHit = 0;

  // Assets and loading.
  Array<c_Image*> m_Images;
  Array<int> m_ImgInfo;
  int m_FontImg = 0;
  int m_StartTimer = 0;
  int m_Fullscreen = 0;

  // Sound and music.
  Array<c_Sound*> m_Sounds;
  int m_SfxVoice = 0;
  int m_TunePlaying = 0;
  c_TonoPlayer* m_Music = nullptr;

  // Settings, badges and scores.
  Array<int> m_Options;
  Array<int> m_HighScores;
  Array<bool> m_BadgeFlags;
  Array<int> m_BadgePopup;
  Array<int> m_BadgePopupTime;
  Array<int> m_Order;
  float m_BadgeScroll = 0;
  float m_BadgeScrollTarget = 0;
  int m_NewHighRank = -1;

  // Stars and particles.
  Array<float> m_Stars;
  int m_StarCount = 0;
  Array<float> m_Particles;
  int m_ParticleMax = 0;

  // The game in progress.
  Array<float> m_World;
  Array<float> m_Bads;
  float m_CamX = 0;
  float m_CamY = 0;
  float m_CamTargetX = 0;
  float m_CamTargetY = 0;
  int m_Score = 0;
  int m_ShownScore = 0;
  int m_Lives = 0;
  float m_Speed = 0;
  int m_BadCount = 0;
  int m_GameOverTimer = 0;
  int m_GameOverAnim = 0;
  int m_JumpLatch = 0;

  // Menus, options, credits.
  int m_MenuSel = 0;
  int m_MenuPending = 0;
  float m_MenuOffset = 0;
  float m_MenuOffsetShown = 0;
  float m_MenuDrag = 0;
  float m_MenuFling = 0;
  float m_MenuSpin = 0;
  float m_MenuPanelW = 0;
  float m_CogSpin = 0;
  int m_OptionSel = 0;
  int m_OptionKeyLatch = 0;
  int m_OptionClickLatch = 0;
  float m_CreditScroll = 0;
  int m_CreditTop = 0;
};
