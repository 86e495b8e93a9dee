// Route table of the alarm module, in its registration order.
#include "cgi/dispatchreq.h"

WEB_MODULE_EMPTY(alarm_module, "alarm");
