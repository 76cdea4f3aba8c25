// The one platform header that module code includes (Linux build): our own
// declarations of the platform's types, values, calls and interfaces.
#pragma once

#include "platform_linux/com_api.h"
#include "platform_linux/com_interfaces.h"
#include "platform_linux/dshow_interfaces.h"
#include "platform_linux/filter_mapper.h"
#include "platform_linux/guids.h"
#include "platform_linux/media_records.h"
#include "platform_linux/registry_api.h"
#include "platform_linux/win32_api.h"
#include "platform_linux/win_types.h"
#include "platform_linux/win_values.h"
