// Placeholder until the form parser lands.
#include "cgi/cgic.h"
cgiFormEntry* cgiFormEntryFirst = nullptr;
int cgiRestored = 0;
int cgiParseMultipartBody() { return cgiParseSuccess; }
void cgiFreeResources() {}
void cgiDealUpload() {}
