// Route table of the stream module, in its registration order.
#include "cgi/dispatchreq.h"

WEB_MODULE_EMPTY(stream_module, "stream");
