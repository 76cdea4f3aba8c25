#include "module/tracked_object.h"

LONG volatile LiveObjectCount = 0;
