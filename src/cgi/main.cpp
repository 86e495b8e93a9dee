#include <cstdio>

#include "cgi/cgic.h"

int main(int, char**) { return cgiMainRun(stdin, stdout); }
