/* The smallest useful CGI program: the yardstick the request program is measured against. */
#include <stdio.h>

int main(void) {
  fputs("Content-type: text/plain\r\n\r\nOK", stdout);
  return 0;
}
