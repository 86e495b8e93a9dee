// Route table of the aging module, in its registration order.
#include "cgi/dispatchreq.h"

WEB_MODULE_EMPTY(aging_module, "aging");
