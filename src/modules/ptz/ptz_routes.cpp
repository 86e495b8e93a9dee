// Route table of the ptz module, in its registration order.
#include "cgi/dispatchreq.h"

WEB_MODULE_EMPTY(ptz_module, "ptz");
