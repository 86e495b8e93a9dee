// Route table of the video module, in its registration order.
#include "cgi/dispatchreq.h"

WEB_MODULE_EMPTY(video_module, "video");
