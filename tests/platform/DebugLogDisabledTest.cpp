// Compiled as in a release build: dlog must drop its line.
#undef CORVALE_DEBUG_LOG
#include "platform/DebugLog.h"

int callDisabledDlog(int& evaluated)
{
    dlog("⚠️ Unknown action: ", ++evaluated);
    return evaluated;
}
