// Route table of the camera module, in its registration order.
#include "cgi/dispatchreq.h"

WEB_MODULE_EMPTY(camera_module, "camera");
