// CGI front end: request globals, intake, form entries, cookies and headers.
#pragma once
#include <cstdio>

// Request globals, each pointing at text (never null once intake has run).
extern char* cgiServerSoftware;
extern char* cgiServerName;
extern char* cgiGatewayInterface;
extern char* cgiServerProtocol;
extern char* cgiServerPort;
extern char* cgiRequestMethod;
extern char* cgiPathInfo;
extern char* cgiPathTranslated;
extern char* cgiScriptName;
extern char* cgiQueryString;
extern char* cgiRemoteHost;
extern char* cgiRemoteAddr;
extern char* cgiAuthType;
extern char* cgiRemoteUser;
extern char* cgiRemoteIdent;
extern char* cgiServerAddr;  // HTTP_HOST
extern char* cgiAccept;
extern char* cgiUserAgent;
extern char* cgiReferrer;
extern char* cgiCookie;

extern char cgiContentTypeData[1024];
extern char* cgiContentType;
extern char* cgiMultipartBoundary;
extern int cgiContentLength;
extern FILE* cgiIn;
extern FILE* cgiOut;

// Hex digit values, built at start-up.
extern int cgiHexValue[256];

// Whole front-end run over the current environment: what main does.
// Returns the process exit status (0, or -1 after a failed multipart pre-parse).
int cgiMainRun(FILE* in, FILE* out);

// Reads the environment into the globals (start-up steps 1 to 6).
void cgiInitFromEnvironment(FILE* in, FILE* out);

void cgiDealGet();
void cgiDealPost();
void cgiDealUpload();
// Called by an upload route's handler that keeps the file it was given (moves
// it on, or leaves it for a later request); otherwise the moved upload is
// removed when the request ends, so /tmp (a RAM disk) never fills up.
void cgiKeepUpload();

bool cgiTextEqualNoCase(const char* a, const char* b);
bool cgiTextBeginsNoCase(const char* text, const char* prefix);

// Copies src to dst replacing every non-overlapping pattern by rep.
// dst must hold the result; the intake only ever shrinks ("%22" -> '"').
void strrpl(char* dst, const char* src, const char* pattern, const char* rep);

// ---- Form entries, multipart parsing ----

enum cgiFormResultType {
  cgiFormSuccess = 0,
  cgiFormTruncated = 1,
  cgiFormBadType = 2,
  cgiFormEmpty = 3,
  cgiFormNotFound = 4,
  cgiFormConstrained = 5,
  cgiFormNoSuchChoice = 6,
  cgiFormMemory = 7,
  cgiFormNoFileName = 8,
  cgiFormNoContentType = 9,
  cgiFormNotAFile = 10,
  cgiFormOpenFailed = 11,
  cgiFormIO = 12,
  cgiFormEOF = 13,
};

enum cgiParseResultType { cgiParseSuccess = 0, cgiParseMemory = 1, cgiParseIO = 2 };

enum cgiEnvironmentResultType {
  cgiEnvironmentIO = 0,
  cgiEnvironmentMemory = 1,
  cgiEnvironmentSuccess = 2,
  cgiEnvironmentWrongVersion = 3,
};

struct cgiFormEntry {
  char* attr;         // part name
  char* value;        // "" for a file part
  int valueLength;
  char* fileName;
  char* contentType;
  char* tfileName;    // temporary file path, "" when not a file
  cgiFormEntry* next;
  int keepFile;       // 1 once an upload route owns the file: release leaves it
};

struct cgiFile;  // open temporary file of a file entry
using cgiFilePtr = cgiFile*;

extern cgiFormEntry* cgiFormEntryFirst;
extern int cgiRestored;

int cgiParseMultipartBody();
void cgiFreeResources();
cgiFormEntry* cgiFormEntryFind(const char* name);

cgiFormResultType cgiFormString(const char* name, char* result, int max);
cgiFormResultType cgiFormStringNoNewlines(const char* name, char* result, int max);
cgiFormResultType cgiFormStringSpaceNeeded(const char* name, int* length);
cgiFormResultType cgiFormStringMultiple(const char* name, char*** ptrToStringArray);
void cgiStringArrayFree(char** stringArray);
cgiFormResultType cgiFormInteger(const char* name, int* result, int defaultV);
cgiFormResultType cgiFormIntegerBounded(const char* name, int* result, int min, int max, int defaultV);
cgiFormResultType cgiFormDouble(const char* name, double* result, double defaultV);
cgiFormResultType cgiFormDoubleBounded(const char* name, double* result, double min, double max,
                                       double defaultV);
cgiFormResultType cgiFormSelectSingle(const char* name, const char** choicesText, int choicesTotal,
                                      int* result, int defaultV);
cgiFormResultType cgiFormSelectMultiple(const char* name, const char** choicesText, int choicesTotal,
                                        int* result, int* invalid);
cgiFormResultType cgiFormCheckboxSingle(const char* name);
cgiFormResultType cgiFormCheckboxMultiple(const char* name, const char** valuesText, int valuesTotal,
                                          int* result, int* invalid);
cgiFormResultType cgiFormRadio(const char* name, const char** valuesText, int valuesTotal, int* result,
                               int defaultV);
cgiFormResultType cgiFormFileName(const char* name, char* fileName, int max);
cgiFormResultType cgiFormFileContentType(const char* name, char* contentType, int max);
cgiFormResultType cgiFormFileSize(const char* name, int* sizeP);
cgiFormResultType cgiFormFileOpen(const char* name, cgiFilePtr* cfpp);
cgiFormResultType cgiFormFileRead(cgiFilePtr cfp, char* buffer, int bufferSize, int* gotP);
cgiFormResultType cgiFormFileClose(cgiFilePtr cfp);
cgiFormResultType cgiFormEntries(char*** ptrToStringArray);

cgiFormResultType cgiCookieString(const char* name, char* result, int max);
cgiFormResultType cgiCookieInteger(const char* name, int* result, int defaultV);
cgiFormResultType cgiCookies(char*** ptrToStringArray);

void cgiHeaderCookieSetString(const char* name, const char* value, int secondsToLive, const char* path,
                              const char* domain);
void cgiHeaderCookieSetInteger(const char* name, int value, int secondsToLive, const char* path,
                               const char* domain);
void cgiHeaderLocation(const char* redirectUrl);
void cgiHeaderStatus(int status, const char* statusMessage);
void cgiHeaderContentType(const char* mimeType);

cgiFormResultType cgiHtmlEscape(const char* s);
cgiFormResultType cgiHtmlEscapeData(const char* data, int len);
cgiFormResultType cgiValueEscape(const char* s);
cgiFormResultType cgiValueEscapeData(const char* data, int len);

cgiEnvironmentResultType cgiWriteEnvironment(const char* filename);
cgiEnvironmentResultType cgiReadEnvironment(const char* filename);
