// Route table of the network module, in its registration order.
#include "cgi/dispatchreq.h"

WEB_MODULE_EMPTY(network_module, "network");
