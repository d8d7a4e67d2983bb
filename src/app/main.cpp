#include "app/command_driver.h"
#include "platform/win32.h"

int main(int argc, char** argv) {
  // The program asks nothing: a drive without a disk or a file the system cannot
  // open (the folders the guard opens, an unreachable share) fails quietly
  // instead of bringing up the system's error box.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  return RunCommandDriver(argc, argv, DefaultCommandHandlers());
}
