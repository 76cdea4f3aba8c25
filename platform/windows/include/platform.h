// The one platform header that module code includes (Windows build): the
// system headers, and nothing of our own but what they lack.
#pragma once

// dshow.h pulls in strsafe.h, which would otherwise hide wsprintfA.
#define STRSAFE_NO_DEPRECATE

#include <windows.h>
#include <objbase.h>
#include <olectl.h>
#include <dshow.h>
#include <stdlib.h>
