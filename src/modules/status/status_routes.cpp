// Route table of the status module, in its registration order.
#include "cgi/dispatchreq.h"

WEB_MODULE_EMPTY(status_module, "status");
