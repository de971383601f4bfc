#pragma once

// The transport codes moved to core/inet_error.h; this header remains until the
// transport files include that one directly.
#include "core/inet_error.h"
