// What a program built on the host provides: its module globals and its application.
#pragma once

// Sets every module global of the program, in module order.
int velInit();
// Creates the application object (which registers itself and its delegate with the host).
int velMain();

// Sets the framework's module globals (application, graphics, audio, input, random and
// async-event modules) in module order; a program's velInit starts with it.
void vel_InitFrameworkGlobals();
