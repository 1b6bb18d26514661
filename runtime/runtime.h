// Everything the game language's programs use from the runtime.
#pragma once

#include "runtime/array.h"
#include "runtime/debug.h"
#include "runtime/gc.h"
#include "runtime/object.h"
#include "runtime/string.h"
