// Route table of the record module, in its registration order.
#include "cgi/dispatchreq.h"

WEB_MODULE_EMPTY(record_module, "record");
