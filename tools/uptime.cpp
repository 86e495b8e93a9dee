// "uptime" stand-in: the device's one-line form, from this machine's clock
// and /proc/uptime (" 02:39:33 up 3 days,  4:05,  1 users,  load average: ...").
#include <cstdio>
#include <ctime>

int main() {
  double up = 0;
  if (FILE* f = fopen("/proc/uptime", "r")) {
    if (fscanf(f, "%lf", &up) != 1) up = 0;
    fclose(f);
  }
  time_t now = time(nullptr);
  struct tm tm {};
  localtime_r(&now, &tm);
  long minutes = static_cast<long>(up) / 60;
  long days = minutes / 1440, hours = minutes / 60 % 24, mins = minutes % 60;
  printf(" %02d:%02d:%02d up ", tm.tm_hour, tm.tm_min, tm.tm_sec);
  if (days > 0) printf("%ld day%s, ", days, days == 1 ? "" : "s");
  printf("%2ld:%02ld,  1 users,  load average: 0.00, 0.00, 0.00\n", hours, mins);
  return 0;
}
