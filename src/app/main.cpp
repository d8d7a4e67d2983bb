#include "app/command_driver.h"
#include "platform/library_search.h"
#include "platform/win32.h"

#ifndef _WIN32
#include "platform/posix/program_arguments.h"
#endif

namespace {

int Run(int argc, const wchar_t* const* argv) {
  // The program asks nothing: a drive without a disk or a file the system cannot
  // open (the folders the guard opens, an unreachable share) fails quietly
  // instead of bringing up the system's error box.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  return RunCommandDriver(argc, argv, DefaultCommandHandlers());
}

}  // namespace

#ifdef _WIN32
// The arguments as the system holds them, in UTF-16, split by the runtime's wide
// parser (the same rules for quotes and backslashes as its narrow one).
int wmain(int argc, wchar_t** argv) {
  qiv::platform::RestrictLibrarySearchToSystemFolder();
  return Run(argc, argv);
}
#else
int main(int argc, char** argv) {
  qiv::platform::RestrictLibrarySearchToSystemFolder();
  const qiv::posix::ProgramArguments arguments(argc, argv);
  return Run(arguments.Count(), arguments.Vector());
}
#endif
